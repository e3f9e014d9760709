// No views on Windows: a view of a file that another program shortens faults there without a
// remedy, and reading costs little beside the work done on the bytes.
#include "io/FileView.h"

namespace vorna {

bool CFileView::Map(const CFile&, std::uint64_t, std::size_t) {
    return false;
}

void CFileView::Unmap() {}

bool CFileView::Spoiled() const {
    return false;
}

} // namespace vorna
