#pragma once

#include "ui/templatedialog.h"

class QString;

// The about box: the program's icon, name and version, a copyright line and
// a link to the maker's web page.
class CAboutDlg : public CTemplateDialog {
    Q_OBJECT
public:
    // The owner is the main dialog; the box is placed over it.
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    // A click on the link: asks the desktop to open the anchor's address.
    // The box stays open whatever happens.
    void OnNMClickLink(const QString& url);
};
