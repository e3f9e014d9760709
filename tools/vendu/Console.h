#pragma once
// The terminal edge: what the user types on the command line and what is printed.
// Inside the tool every text of its own is UTF-8; here it meets the terminal's encoding
// (the locale's on POSIX, Unicode console output on Windows).
#include <cstdio>
#include <string>
#include <string_view>

namespace vendu {

// Sets up the standard streams: binary mode on Windows, so CR LF inside entries stays intact.
void InitConsole();

// Command-line text (a keyword, a question) as UTF-8. False when it is not valid text in the
// terminal's encoding.
bool TerminalArgToUtf8(const std::string& arg, std::string& utf8);

// Text for a person, in the terminal's encoding. On standard error, which carries messages,
// control characters other than the line feed are shown as EscapeControls shows them.
void WriteText(std::FILE* stream, std::string_view utf8);
// UTF-8 text with its control characters (C0, DEL and C1; the line feed too unless kept) as
// \xNN, NN the character's code in hexadecimal: a file name or a quoted text in a message
// can neither move the cursor, change colours nor start a line of its own.
std::string EscapeControls(std::string_view utf8, bool keepLineFeeds);
// Bytes for a program (documents, --raw output): unchanged.
void WriteBytes(std::FILE* stream, std::string_view bytes);

// Whether standard output is a terminal (a console on Windows), where a person reads it.
bool StandardOutputIsTerminal();
// Readies standard output for the terminal's colour sequences (a console on Windows must be
// asked); false when it cannot show them.
bool EnableColor();

// Every write to standard output is checked. After the first failure (a full disk, a closed
// pipe) later writes to it are skipped; this tells whether that happened.
bool StandardOutputFailed();
// Flushes and closes standard output. False when a write, the flush or the close failed:
// reason is the system's text, and brokenPipe is true when the reader had gone away.
bool CloseStandardOutput(std::string& reason, bool& brokenPipe);

// Reads all of standard input as bytes.
bool ReadStandardInput(std::string& bytes);

} // namespace vendu
