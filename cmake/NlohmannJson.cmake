# nlohmann's JSON library, header-only, from Debian's nlohmann-json3-dev, as the target
# nlohmann_json::nlohmann_json. The cross build takes the same header: it gets a copy of that
# one folder of the build machine's /usr/include, and nothing else of it.
if(CMAKE_CROSSCOMPILING)
    find_path(VORNA_NLOHMANN_JSON_INCLUDE nlohmann/json.hpp
              PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    set(copy ${CMAKE_BINARY_DIR}/nlohmann-json/include)
    file(COPY ${VORNA_NLOHMANN_JSON_INCLUDE}/nlohmann DESTINATION ${copy})
    add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
    target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${copy})
else()
    find_package(nlohmann_json 3.10 REQUIRED)
endif()
