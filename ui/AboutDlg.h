#pragma once
// The About box: program name, author, the maker's web address as a live link, a notice.
#include "platform/Dialog.h"
#include "ui/controls/HyperLink.h"

namespace vorna {

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
    ~CAboutDlg() override;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;

private:
    CHyperLink m_linkWebsite;
};

} // namespace vorna
