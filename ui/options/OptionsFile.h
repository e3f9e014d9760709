#pragma once
// Lirel.ini on the disk: where it is, and its text read and written whole. The text inside the
// program is UTF-8; the file may be UTF-8 (with or without a byte-order mark), UTF-16 with its
// mark, as the system's own settings writer or Notepad leave it, or the system's code page,
// and it is written back in its own form.
#include <string>

namespace vorna {

// "%APPDATA%\Lirel\Lirel.ini": the APPDATA of the environment, else the user's roaming
// application-data folder. Empty when neither is known.
std::wstring OptionsFilePath();

struct OptionsFileText {
    enum class Form { utf8, utf8Marked, utf16, system };

    std::string text; // UTF-8
    Form form = Form::utf8;
    // False when the file is there but could not be read or its text made no sense (a
    // lone byte of UTF-16): the text is then empty.
    bool readable = true;
};

// The file's text; an empty one for a file that is not there.
OptionsFileText ReadOptionsFile(const std::wstring& path);

// Writes the text in the form file.form names (the system's code page becomes UTF-8: a text
// written by the program may hold any character), replacing the file whole through a new one
// beside it, and makes the folder first when it is missing. False when it could not.
bool WriteOptionsFile(const std::wstring& path, const OptionsFileText& file);

} // namespace vorna
