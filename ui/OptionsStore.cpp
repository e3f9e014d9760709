#include "ui/OptionsStore.h"

#include "ui/options/OptionsFile.h"

namespace vorna {
namespace {

// The file's text to change; an unreadable file is started afresh: the options dialog said it
// could not be read, and the user chose to write what the dialog showed.
OptionsFileText TextToChange(const std::wstring& path) {
    OptionsFileText file = ReadOptionsFile(path);
    if (!file.readable)
        file = OptionsFileText{};
    return file;
}

} // namespace

COptionsStore::COptionsStore() : m_strPath(OptionsFilePath()) {
    if (m_strPath.empty())
        return;
    const OptionsFileText file = ReadOptionsFile(m_strPath);
    m_bUnreadable = !file.readable;
    m_read = ReadOptions(file.text);
}

bool COptionsStore::Save(const Options& options) {
    if (m_strPath.empty())
        return false;
    OptionsFileText file = TextToChange(m_strPath);
    file.text = WriteOptions(file.text, options);
    if (!WriteOptionsFile(m_strPath, file))
        return false;
    const Placement placement = m_read.placement;
    m_read = ReadOptions(file.text);
    m_read.options = options;
    m_read.placement = placement;
    m_bUnreadable = false;
    return true;
}

void COptionsStore::SavePlacement(const Placement& placement) {
    if (m_strPath.empty())
        return;
    // Only the options dialog, at the user's word, starts a file that could not be read afresh.
    OptionsFileText file = ReadOptionsFile(m_strPath);
    if (!file.readable)
        return;
    file.text = WritePlacement(file.text, placement);
    if (WriteOptionsFile(m_strPath, file))
        m_read.placement = placement;
}

} // namespace vorna
