#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// Window and control styles as the dialog templates carry them. Only the
// bits the template builder looks at, and those the tables name, are here.
namespace DialogStyle {
inline constexpr uint32_t WS_POPUP = 0x80000000;
inline constexpr uint32_t WS_CHILD = 0x40000000;
inline constexpr uint32_t WS_VISIBLE = 0x10000000;
inline constexpr uint32_t WS_DISABLED = 0x08000000;
inline constexpr uint32_t WS_CAPTION = 0x00C00000;
inline constexpr uint32_t WS_BORDER = 0x00800000;
inline constexpr uint32_t WS_VSCROLL = 0x00200000;
inline constexpr uint32_t WS_HSCROLL = 0x00100000;
inline constexpr uint32_t WS_SYSMENU = 0x00080000;
inline constexpr uint32_t WS_GROUP = 0x00020000;
inline constexpr uint32_t WS_TABSTOP = 0x00010000;

inline constexpr uint32_t DS_SETFONT = 0x40;
inline constexpr uint32_t DS_MODALFRAME = 0x80;
inline constexpr uint32_t DS_CENTER = 0x800;

inline constexpr uint32_t ES_MULTILINE = 0x0004;
inline constexpr uint32_t ES_AUTOVSCROLL = 0x0040;
inline constexpr uint32_t ES_AUTOHSCROLL = 0x0080;
inline constexpr uint32_t ES_READONLY = 0x0800;
inline constexpr uint32_t ES_WANTRETURN = 0x1000;

inline constexpr uint32_t SS_LEFT = 0x00;
inline constexpr uint32_t SS_ICON = 0x03;
inline constexpr uint32_t SS_BITMAP = 0x0E;
inline constexpr uint32_t SS_TYPEMASK = 0x1F;
inline constexpr uint32_t SS_NOPREFIX = 0x80;
inline constexpr uint32_t SS_REALSIZEIMAGE = 0x800;

inline constexpr uint32_t BS_PUSHBUTTON = 0x0;
inline constexpr uint32_t BS_DEFPUSHBUTTON = 0x1;
inline constexpr uint32_t BS_OWNERDRAW = 0xB;
inline constexpr uint32_t BS_TYPEMASK = 0xF;
inline constexpr uint32_t BS_BITMAP = 0x80;
inline constexpr uint32_t BS_CENTER = 0x300;
inline constexpr uint32_t BS_VCENTER = 0xC00;

inline constexpr uint32_t CBS_DROPDOWN = 0x2;
inline constexpr uint32_t CBS_DROPDOWNLIST = 0x3;
inline constexpr uint32_t CBS_TYPEMASK = 0x3;
inline constexpr uint32_t CBS_SORT = 0x100;
} // namespace DialogStyle

// The window classes a template can name; Link is the link control.
enum class DialogControlClass { Button, Edit, Static, ComboBox, Link };

// One control of a dialog template. Positions and sizes are dialog units.
struct DialogItemTemplate {
    int id;
    DialogControlClass controlClass;
    std::u16string_view text;
    int x;
    int y;
    int cx;
    int cy;
    uint32_t style;
    // The bitmap or icon resource an SS_BITMAP or SS_ICON static shows.
    int imageId = 0;
    // What a screen reader announces for a control that has no text or
    // label of its own to be known by.
    std::u16string_view accessibleName = {};
};

// A dialog template: caption, font, size in dialog units and its controls in
// creation (and tab) order.
struct DialogTemplate {
    int id;
    std::u16string_view title;
    std::u16string_view fontFace;
    int pointSize;
    int cx;
    int cy;
    uint32_t style;
    std::span<const DialogItemTemplate> items;
};

// Dialog template ids.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_PELVARO_DIALOG = 102;
inline constexpr int IDD_ADDADDRESS = 133;

// Control ids of the main dialog, the about box and the add dialog.
inline constexpr int IDC_STATIC = -1;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_RETURNADDRESS = 1000;
inline constexpr int IDC_MAILINGADDRESS = 1001;
inline constexpr int IDC_RETURNADDRESSLIST = 1002;
inline constexpr int IDC_MAILINGADDRESSLIST = 1003;
inline constexpr int IDC_PRINT = 1004;
inline constexpr int IDC_CONFIGURE = 1005;
inline constexpr int IDC_STAMP = 1006;
inline constexpr int IDC_LABEL = 1007;
inline constexpr int IDC_ADDRESS = 1008;
inline constexpr int IDC_ENVELOPESIZE = 1011;
inline constexpr int IDC_HELPBUTTON = 1012;
inline constexpr int IDC_WEBLINK = 1014;

// Picture resources.
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDB_STAMP = 130;

// The template with that id, or nullptr.
const DialogTemplate* FindDialogTemplate(int id);
