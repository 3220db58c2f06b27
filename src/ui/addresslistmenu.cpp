#include "ui/addresslistmenu.h"

#include "addressbook/addressbook.h"

#include <QMenu>

namespace {
const QString kAddText = QStringLiteral("&Add...");
const QString kModifyText = QStringLiteral("&Modify %s");
const QString kDeleteText = QStringLiteral("&Delete %s");
} // namespace

CAddressListMenu::CAddressListMenu(const CAddressBook& book, const QString& rememberedLabel,
                                   QWidget* owner)
    : m_menu(std::make_unique<QMenu>(owner)) {
    m_add = m_menu->addAction(kAddText);
    // The label is shown whole, however long: the item is never cut.
    if (!rememberedLabel.isEmpty()) {
        m_modify = m_menu->addAction(FormatItem(kModifyText, rememberedLabel));
        m_delete = m_menu->addAction(FormatItem(kDeleteText, rememberedLabel));
    }
    m_menu->addSeparator();
    m_firstEntry = static_cast<int>(m_menu->actions().size());
    const int size = book.GetSize();
    for (int i = 0; i < size; ++i)
        m_menu->addAction(book.GetAt(i).m_strLabel);
}

CAddressListMenu::~CAddressListMenu() = default;

QString CAddressListMenu::FormatItem(const QString& itemTemplate, const QString& label) {
    // The label is an argument, not a template: a "%" in it stays as it is.
    const qsizetype at = itemTemplate.indexOf(QStringLiteral("%s"));
    if (at < 0)
        return itemTemplate;
    QString text = itemTemplate;
    text.replace(at, 2, label);
    return text;
}

AddressListChoice CAddressListMenu::ChoiceFor(const QAction* action) const {
    AddressListChoice choice;
    if (!action)
        return choice;
    if (action == m_add) {
        choice.kind = AddressListChoice::Kind::Add;
    } else if (m_modify && action == m_modify) {
        choice.kind = AddressListChoice::Kind::Modify;
    } else if (m_delete && action == m_delete) {
        choice.kind = AddressListChoice::Kind::Delete;
    } else if (m_menu) {
        // Entries follow the fixed items in book order; the position is
        // looked up once, for the one action chosen.
        const qsizetype position = m_menu->actions().indexOf(action);
        if (position >= m_firstEntry) {
            choice.kind = AddressListChoice::Kind::Entry;
            choice.index = static_cast<int>(position - m_firstEntry);
        }
    }
    return choice;
}

AddressListChoice CAddressListMenu::Track(const QPoint& globalTopLeft) {
    const QAction* chosen = m_menu->exec(globalTopLeft);
    const AddressListChoice choice = ChoiceFor(chosen);
    // The menu goes before its choice is carried out.
    m_menu.reset();
    m_add = m_modify = m_delete = nullptr;
    return choice;
}
