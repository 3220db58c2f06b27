#include "ui/dialogbuttons.h"

#include "platform/helpcommand.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QKeySequence>
#include <QLayout>
#include <QShortcut>

void TabInShownOrder(QDialogButtonBox& buttons) {
    QWidget* previous = nullptr;
    for (int i = 0; buttons.layout() && i < buttons.layout()->count(); ++i) {
        QWidget* button = buttons.layout()->itemAt(i)->widget();
        if (!button)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, button);
        previous = button;
    }
}

void AddHelpKey(QDialog& dialog, const QString& page) {
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_F1), &dialog), &QShortcut::activated,
                     &dialog, [page] { RunHelpCommand(page); });
}
