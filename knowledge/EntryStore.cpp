#include "knowledge/EntryStore.h"

#include "io/File.h"

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

FileResult CheckEntryFile(const std::string& path) {
    FileResult result;
    if (!CFile::GetStatus(path)) {
        result.status = FileStatus::missing;
        return result;
    }
    CFile trial;
    trial.Open(path, CFile::modeRead, &result);
    return result;
}

FileResult LoadEntryFile(const std::string& path, CEntryStore& store) {
    CEntryStore fresh;
    FileResult result;
    try {
        result = ReadEntryFile(path, [&fresh](std::string question, std::string answer) {
            fresh.AddEntry(std::move(question), std::move(answer));
        });
    } catch (const std::bad_alloc&) {
        // The entries do not fit in memory: keep the store as it was.
        result.status = FileStatus::tooBig;
    }
    if (result.Ok()) {
        store.RemoveAll();
        std::swap(store.m_arrQuestions, fresh.m_arrQuestions);
        std::swap(store.m_arrAnswers, fresh.m_arrAnswers);
    }
    return result;
}

} // namespace vorna
