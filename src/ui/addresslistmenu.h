#pragma once

#include <QPoint>
#include <QString>

#include <memory>

class CAddressBook;
class QAction;
class QMenu;
class QWidget;

// Command ids of the address list menu's fixed items.
enum AddressListCommand : int {
    ID_ADDRESSLIST_ADD = 32775,
    ID_ADDRESSLIST_MODIFY = 32776,
    ID_ADDRESSLIST_DELETE = 32777,
};

// What the user chose in an address list menu.
struct AddressListChoice {
    enum class Kind { None, Add, Modify, Delete, Entry };
    Kind kind = Kind::None;
    int index = -1; // the book entry, for Kind::Entry
};

// The menu one address box's list button shows: "&Add...", "&Modify <label>"
// and "&Delete <label>" (left out when the box has no remembered label), a
// separator, then one item per book entry in book order.
//
// The fixed items are told from the entries by identity, not by number, so a
// choice is never taken for another whatever the size of the book.
class CAddressListMenu {
public:
    CAddressListMenu(const CAddressBook& book, const QString& rememberedLabel, QWidget* owner);
    ~CAddressListMenu();
    CAddressListMenu(const CAddressListMenu&) = delete;
    CAddressListMenu& operator=(const CAddressListMenu&) = delete;

    // The fixed items' text with the label put in for "%s".
    static QString FormatItem(const QString& itemTemplate, const QString& label);

    QMenu* Menu() const { return m_menu.get(); }
    // Shows the menu with its top-left corner at a global point and waits.
    AddressListChoice Track(const QPoint& globalTopLeft);
    // The choice an action of this menu stands for.
    AddressListChoice ChoiceFor(const QAction* action) const;

private:
    std::unique_ptr<QMenu> m_menu;
    QAction* m_add = nullptr;
    QAction* m_modify = nullptr;
    QAction* m_delete = nullptr;
    int m_firstEntry = 0;
};
