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

void ConnectHelp(QDialog& dialog, QDialogButtonBox& buttons, const QString& page) {
    const auto open = [page] { RunHelpCommand(page); };
    QObject::connect(&buttons, &QDialogButtonBox::helpRequested, &dialog, open);
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_F1), &dialog), &QShortcut::activated,
                     &dialog, open);
}
