#pragma once
// The in-memory knowledge base: two parallel lists, entry i at index i of both.
#include <cstddef>
#include <string>
#include <vector>

#include "knowledge/EntryFile.h"

namespace vorna {

class CEntryStore {
public:
    void AddEntry(std::string question, std::string answer);
    // Empties the questions, then the answers.
    void RemoveAll();
    std::size_t GetCount() const { return m_arrQuestions.size(); }

    std::vector<std::string> m_arrQuestions;
    std::vector<std::string> m_arrAnswers;
};

// Does the path name an existing file that opens for reading with no sharing? missing when
// nothing of that name exists, else what the trial open gave. The caller decides whether and
// how to tell the user.
FileResult CheckEntryFile(const std::string& path);

// Replaces the store with the entries of the file; the same result as emptying the store and
// reading the file into it. When the file cannot be opened or read (it vanished or was
// locked after the check) or its entries do not fit in memory (tooBig), the store keeps what
// it held and the result says why.
FileResult LoadEntryFile(const std::string& path, CEntryStore& store);

} // namespace vorna
