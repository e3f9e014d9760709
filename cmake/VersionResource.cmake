# Stamps a Windows executable with the project's version: every executable carries the
# same version as the archives and the installer.
function(vorna_add_version_resource target internal_name description)
    if(NOT WIN32)
        return()
    endif()
    set(VORNA_INTERNAL_NAME ${internal_name})
    set(VORNA_FILE_DESCRIPTION ${description})
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
    configure_file(${PROJECT_SOURCE_DIR}/res/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/res)
endfunction()
