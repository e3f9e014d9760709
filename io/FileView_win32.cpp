// No views on Windows: while a view is mapped, the system refuses other programs the
// shortening of the file, which a reader must not cause; reading costs little beside the work
// done on the bytes.
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
