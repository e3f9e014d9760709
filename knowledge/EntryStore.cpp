#include "knowledge/EntryStore.h"

#include "platform/File.h"

#include <new>
#include <utility>

namespace vorna {

void CEntryStore::AddEntry(std::string question, std::string answer) {
    m_arrQuestions.push_back(std::move(question));
    m_arrAnswers.push_back(std::move(answer));
}

void CEntryStore::RemoveAll() {
    m_arrQuestions.clear();
    m_arrAnswers.clear();
}

FileCheck CheckEntryFile(const std::string& path) {
    if (!CFile::GetStatus(path))
        return FileCheck::missing;
    CFile trial;
    if (!trial.Open(path, CFile::modeRead))
        return FileCheck::cannotOpen;
    trial.Close();
    return FileCheck::ok;
}

ReadResult LoadEntryFile(const std::string& path, CEntryStore& store) {
    CEntryStore fresh;
    ReadResult result;
    try {
        result = ReadEntryFile(path, [&fresh](std::string question, std::string answer) {
            fresh.AddEntry(std::move(question), std::move(answer));
        });
    } catch (const std::bad_alloc&) {
        // The entries do not fit in memory: keep the store as it was.
        result.status = ReadStatus::outOfMemory;
    }
    if (result.status == ReadStatus::ok) {
        store.RemoveAll();
        std::swap(store.m_arrQuestions, fresh.m_arrQuestions);
        std::swap(store.m_arrAnswers, fresh.m_arrAnswers);
    }
    return result;
}

} // namespace vorna
