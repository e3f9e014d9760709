#pragma once
// The options in effect, as read from Lirel.ini at start-up and changed by the options
// dialog, and the window's place written back when the program ends.
#include "ui/options/Options.h"

#include <string>
#include <vector>

namespace vorna {

class COptionsStore {
public:
    // Reads the file. A missing file gives the defaults; nothing here ever shows a message.
    COptionsStore();

    const Options& Values() const { return m_read.options; }
    const Placement& SavedPlacement() const { return m_read.placement; }
    // The file's lines that were not understood, and whether it could be read at all.
    const std::vector<std::string>& Ignored() const { return m_read.ignored; }
    bool Unreadable() const { return m_bUnreadable; }
    const std::wstring& Path() const { return m_strPath; }

    // Writes options into the file as it is now, the rest of it kept; they are in effect from
    // then on. False when the file could not be written: nothing changes.
    bool Save(const Options& options);
    // Writes the placement into the file; a failure is not reported (the program is ending).
    void SavePlacement(const Placement& placement);

private:
    std::wstring m_strPath;
    OptionsRead m_read;
    bool m_bUnreadable = false;
};

} // namespace vorna
