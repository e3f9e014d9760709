// Views through mmap. The file's pages are mapped in at once (MAP_POPULATE), not one fault
// at a time. A program that cuts the file short while it is mapped would make a read of the
// lost pages end the process (SIGBUS); the handler maps zeros over such a page instead and
// marks the view as spoiled, so the reader can say what happened.
#include "io/FileView.h"

#include <atomic>
#include <cstdint>
#include <csignal>
#include <sys/mman.h>
#include <unistd.h>

namespace vorna {

namespace {

std::atomic<char*> g_viewBegin{nullptr};
std::atomic<char*> g_viewEnd{nullptr};
volatile std::sig_atomic_t g_spoiled = 0;
std::size_t g_pageSize = 0;
struct sigaction g_previous;

void OnBusError(int, siginfo_t* info, void*) {
    char* at = static_cast<char*>(info->si_addr);
    if (at >= g_viewBegin.load() && at < g_viewEnd.load()) {
        char* page = at - reinterpret_cast<std::uintptr_t>(at) % g_pageSize;
        if (::mmap(page, g_pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
            MAP_FAILED) {
            g_spoiled = 1;
            return; // the read is made again, and finds zeros
        }
    }
    // Not a view's: the fault is taken again with what was there before.
    ::sigaction(SIGBUS, &g_previous, nullptr);
}

void GuardViews() {
    static const bool installed = [] {
        g_pageSize = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action = {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGBUS, &action, &g_previous) == 0;
    }();
    (void)installed;
}

} // namespace

bool CFileView::Map(const CFile& file, std::uint64_t offset, std::size_t size) {
    Unmap();
    if (!file.IsOpen() || size == 0)
        return false;
    GuardViews();
    const std::uint64_t skip = offset % g_pageSize;
    int flags = MAP_SHARED;
#ifdef MAP_POPULATE
    flags |= MAP_POPULATE;
#endif
    void* base = ::mmap(nullptr, size + skip, PROT_READ, flags, static_cast<int>(file.m_handle),
                        static_cast<off_t>(offset - skip));
    if (base == MAP_FAILED)
        return false;
    m_base = base;
    m_span = size + skip;
    m_data = static_cast<const char*>(base) + skip;
    m_size = size;
    g_spoiled = 0;
    g_viewEnd = static_cast<char*>(base) + m_span;
    g_viewBegin = static_cast<char*>(base);
    return true;
}

void CFileView::Unmap() {
    if (!m_base)
        return;
    g_viewBegin = nullptr;
    g_viewEnd = nullptr;
    ::munmap(m_base, m_span);
    m_base = nullptr;
    m_data = nullptr;
    m_span = m_size = 0;
}

bool CFileView::Spoiled() const {
    return m_base && g_spoiled;
}

} // namespace vorna
