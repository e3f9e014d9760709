#include "ui/AboutDlg.h"

#include "res/Maker.h"
#include "res/resource.h"

#include <string>

namespace vorna {

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::DoDataExchange(CDataExchange& dx) {
    CDialog::DoDataExchange(dx);
    dx.Control(IDC_WEBSITE, m_linkWebsite);
}

bool CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // The same address the template shows, now on the attached link.
    m_linkWebsite.SetURL(std::string(VORNA_MAKER_URL));
    m_linkWebsite.SetUnderline(TRUE);
    return true;
}

} // namespace vorna
