#include "templates/dialogtemplate.h"

#include <array>

using namespace DialogStyle;

namespace {

constexpr uint32_t kChild = WS_CHILD | WS_VISIBLE;
constexpr uint32_t kDialogFrame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

constexpr uint32_t kAddressEdit =
    kChild | WS_BORDER | WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL | ES_WANTRETURN;
constexpr uint32_t kImageButton =
    kChild | WS_TABSTOP | BS_OWNERDRAW | BS_BITMAP | BS_CENTER | BS_VCENTER;

constexpr std::array<DialogItemTemplate, 10> kMainDialogItems = {{
    {IDC_RETURNADDRESS, DialogControlClass::Edit, u"", 7, 7, 90, 33, kAddressEdit, 0,
     u"Return address"},
    {IDC_RETURNADDRESSLIST, DialogControlClass::Button, u"Return Address List", 103, 7, 17, 16,
     kImageButton},
    {IDC_STATIC, DialogControlClass::Static, u"Envelope &Size:", 130, 9, 50, 8,
     kChild | WS_GROUP | SS_LEFT},
    {IDC_ENVELOPESIZE, DialogControlClass::ComboBox, u"", 184, 7, 81, 30,
     kChild | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN | CBS_SORT},
    {IDC_MAILINGADDRESS, DialogControlClass::Edit, u"", 103, 50, 192, 82, kAddressEdit, 0,
     u"Mailing address"},
    {IDC_MAILINGADDRESSLIST, DialogControlClass::Button, u"Mailing Address List", 299, 50, 17, 16,
     kImageButton},
    {IDC_PRINT, DialogControlClass::Button, u"Print", 299, 116, 17, 16, kImageButton},
    {IDC_CONFIGURE, DialogControlClass::Button, u"Configure", 7, 116, 17, 16, kImageButton},
    {IDC_STAMP, DialogControlClass::Static, u"", 276, 7, 40, 39,
     kChild | SS_BITMAP | SS_REALSIZEIMAGE, IDB_STAMP, u"Postage stamp"},
    {IDC_HELPBUTTON, DialogControlClass::Button, u"Help", 266, 137, 50, 14,
     kChild | WS_TABSTOP | BS_PUSHBUTTON},
}};

constexpr std::array<DialogItemTemplate, 5> kAboutItems = {{
    {IDC_STATIC, DialogControlClass::Static, u"", 11, 17, 21, 20, kChild | SS_ICON, IDR_MAINFRAME,
     u"Pelvaro icon"},
    {IDC_STATIC, DialogControlClass::Static, u"Pelvaro Version 2.0", 40, 10, 119, 8,
     kChild | SS_LEFT | SS_NOPREFIX | WS_GROUP},
    {IDC_STATIC, DialogControlClass::Static, u"Copyright (C) 2026 Torvane Software", 40, 25, 177, 8,
     kChild | SS_LEFT | WS_GROUP},
    {IDOK, DialogControlClass::Button, u"OK", 178, 7, 50, 14,
     kChild | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP},
    // The address that opens is the anchor's own target.
    {IDC_WEBLINK, DialogControlClass::Link,
     u"<a href=\"https://www.torvane.example/pelvaro\">https://www.torvane.example/pelvaro</a>", 40,
     40, 188, 14, kChild | WS_TABSTOP},
}};

constexpr std::array<DialogItemTemplate, 5> kAddAddressItems = {{
    {IDC_STATIC, DialogControlClass::Static, u"&Label:", 9, 10, 20, 8, kChild | WS_GROUP | SS_LEFT},
    {IDC_LABEL, DialogControlClass::Edit, u"", 34, 7, 93, 14,
     kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL},
    {IDC_ADDRESS, DialogControlClass::Edit, u"", 7, 27, 120, 40,
     kChild | WS_BORDER | WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL | ES_READONLY, 0, u"Address"},
    {IDOK, DialogControlClass::Button, u"Add", 134, 7, 50, 14,
     kChild | WS_DISABLED | WS_TABSTOP | BS_DEFPUSHBUTTON},
    {IDCANCEL, DialogControlClass::Button, u"Cancel", 134, 24, 50, 14,
     kChild | WS_TABSTOP | BS_PUSHBUTTON},
}};

constexpr DialogTemplate kMainDialog = {
    IDD_PELVARO_DIALOG,        u"Pelvaro",      u"Arial", 10, 323, 158,
    kDialogFrame | WS_VISIBLE, kMainDialogItems};

constexpr DialogTemplate kAboutBox = {IDD_ABOUTBOX, u"About Pelvaro", u"MS Sans Serif", 8, 235,
                                      61,           kDialogFrame,     kAboutItems};

// The system centres it on the work area (DS_CENTER), not over the main
// window.
constexpr DialogTemplate kAddAddress = {
    IDD_ADDADDRESS,           u"Add to Address Book", u"MS Sans Serif", 8, 191, 74,
    kDialogFrame | DS_CENTER, kAddAddressItems};

} // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    switch (id) {
    case IDD_PELVARO_DIALOG:
        return &kMainDialog;
    case IDD_ABOUTBOX:
        return &kAboutBox;
    case IDD_ADDADDRESS:
        return &kAddAddress;
    default:
        return nullptr;
    }
}
