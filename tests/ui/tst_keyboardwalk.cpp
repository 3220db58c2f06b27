// The dialogs walked with the keyboard alone, through key events on the real
// dialog: Tab from the first focus round to it again, each stop named for a
// screen reader, every enabled control reached, Shift+Tab the same way back;
// each access key used once and leading somewhere; Space, F1, Enter and
// Escape doing what the dialog says. Each walk is printed for the notes.

#include "addressbook/addressbook.h"
#include "contacts/contactsimport.h"
#include "modalscript.h"
#include "platform/helpcommand.h"
#include "postal/postaloptions.h"
#include "print/printjob.h"
#include "printblocks.h"
#include "settings/settingsstore.h"
#include "testenvironment.h"
#include "testjob.h"
#include "ui/importpreviewdlg.h"
#include "ui/manyenvelopesdlg.h"
#include "ui/postaloptionsdlg.h"
#include "ui/printeralignmentdlg.h"
#include "ui/printpreview.h"

#include <QtPrintSupport>
#include <QtTest>
#include <QtWidgets>

#include <algorithm>
#include <memory>

namespace {

// What a screen reader is told has the focus: the box inside a spin box is
// the spin box.
QWidget* Reported(QWidget* widget) {
    auto* spinBox = qobject_cast<QAbstractSpinBox*>(widget ? widget->parentWidget() : nullptr);
    return spinBox && spinBox->focusProxy() == widget ? spinBox : widget;
}

QString Spoken(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(Reported(widget));
    return face ? face->text(QAccessible::Name) : QString();
}

QString Role(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(Reported(widget));
    return QMetaEnum::fromType<QAccessible::Role>().valueToKey(face ? face->role() : 0);
}

QWidget* Focus() {
    return QApplication::focusWidget();
}

// The focus stops from the present one, pressing `key` until the focus is
// back there; none when it never comes back.
QList<QWidget*> Walk(QKeyCombination key) {
    QList<QWidget*> stops{Focus()};
    for (int i = 0; i < 60; ++i) {
        QTest::keyClick(Focus(), key.key(), key.keyboardModifiers());
        if (Focus() == stops.first())
            return stops;
        stops << Focus();
    }
    return {};
}

// The controls Tab should reach: shown, enabled and taking Tab.
QSet<QWidget*> TabControls(const QDialog& dlg) {
    QSet<QWidget*> controls;
    for (QWidget* widget : dlg.findChildren<QWidget*>()) {
        if (widget->isVisibleTo(&dlg) && widget->isEnabled() && !widget->focusProxy() &&
            (widget->focusPolicy() & Qt::TabFocus) && !qobject_cast<QScrollBar*>(widget))
            controls.insert(widget);
    }
    return controls;
}

// Whether a comes before b as the dialog is read: above it, or beside it on
// its left.
bool ReadBefore(const QWidget* a, const QWidget* b) {
    const QRect ra(a->mapToGlobal(QPoint()), a->size());
    const QRect rb(b->mapToGlobal(QPoint()), b->size());
    if (ra.bottom() < rb.top() || rb.bottom() < ra.top())
        return ra.top() < rb.top();
    return ra.left() < rb.left();
}

// A dialog under the walk: how to make it, and what Enter does from its
// first focus and what Escape leaves as it was.
struct WalkedDialog {
    std::function<std::unique_ptr<QDialog>()> make;
    QString helpPage;
    std::function<void(QDialog&)> afterEnter;
    std::function<void(QDialog&)> afterEscape;
};

std::unique_ptr<QDialog> Shown(std::unique_ptr<QDialog> dlg) {
    dlg->show();
    if (!QTest::qWaitForWindowActive(dlg.get(), kWaitMs) ||
        !QTest::qWaitFor([] { return Focus() != nullptr; }, kWaitMs))
        qFatal("%s did not take the keyboard", dlg->metaObject()->className());
    return dlg;
}

} // namespace

class TestKeyboardWalk : public QObject {
    Q_OBJECT
    std::unique_ptr<CTestEnvironment> m_env;
    CSettingsStore m_settings{"Torvane Software", "Pelvaro"};
    std::unique_ptr<CAddressBook> m_book;
    std::unique_ptr<CContactsImport> m_import;
    EnvelopeJob m_job;
    QPrinter m_printer{QPrinter::HighResolution};
    QStringList m_helpPages;

    void Run(const WalkedDialog& walked);
    void CheckAccessKeys(QDialog& dlg);

private slots:
    void init() {
        m_env = std::make_unique<CTestEnvironment>();
        m_book = std::make_unique<CAddressBook>();
        m_book->LoadAddressBook();
        m_book->AddAddress(CAddress("Alice", "Alice Able\r\n1 Oak Lane"));
        m_book->AddAddress(CAddress("Bert", "Bert Baker\r\n2 Elm Road"));
        m_job = TestJob(LandscapeSettings(20, 300), PdfNames(m_env->Root() + "/walk.pdf"),
                        QStringLiteral("Liberation Serif"), -15, -21);
        QVERIFY(ConfigureJobPrinter(m_printer, m_job));
        m_helpPages.clear();
        SetHelpCommand([this](const QString& page) { m_helpPages << page; });
    }
    void cleanup() {
        SetHelpCommand({});
        m_book.reset();
        m_env.reset();
    }

    // The picture chosen has the focus; Space on Turned round ticks it and
    // Enter is OK; Escape keeps what the dialog was given.
    void printerAlignment() {
        PrinterAlignment given;
        given.feed = EnvelopeFeed::StandingCentre;
        given.shiftDown = -15;
        const auto alignment = [](QDialog& dlg) {
            return static_cast<CPrinterAlignmentDlg&>(dlg).Alignment();
        };
        Run({[given] {
                 return std::make_unique<CPrinterAlignmentDlg>(
                     QStringLiteral("Office"), given,
                     [](const PrinterAlignment&) { return QStringLiteral("Printed."); });
             },
             "alignment.html",
             [&](QDialog& dlg) {
                 QVERIFY(dlg.result() == QDialog::Accepted && alignment(dlg) == given);
             },
             [&](QDialog& dlg) { QVERIFY(alignment(dlg) == given); }});
    }

    // The chosen picture's words are bold; none may be cut short to fit.
    void chosenPictureWordsWhole() {
        for (int feed = 0; feed <= static_cast<int>(EnvelopeFeed::StandingRight); ++feed) {
            PrinterAlignment given;
            given.feed = static_cast<EnvelopeFeed>(feed);
            CPrinterAlignmentDlg dlg(QStringLiteral("Office"), given, {});
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg, kWaitMs));
            for (auto* button : dlg.findChildren<QToolButton*>()) {
                if (!button->isChecked())
                    continue;
                QFont bold = button->font();
                bold.setBold(true);
                int widest = 0;
                for (const QString& line : button->text().split(u'\n'))
                    widest = std::max(widest, QFontMetrics(bold).horizontalAdvance(line));
                // 3 px of border and 2 of padding each side.
                QVERIFY2(button->contentsRect().width() >= widest + 10,
                         qPrintable(button->accessibleName()));
            }
        }
    }

    void postalOptions() {
        PostalOptions given;
        given.checkBeforePrinting = true;
        given.barcode = true;
        QString why;
        given.barcodeFields = ParseIntelligentMail(QStringLiteral("00,300,123456,1"), &why);
        const auto options = [](QDialog& dlg) {
            return static_cast<CPostalOptionsDlg&>(dlg).Options();
        };
        Run({[given] { return std::make_unique<CPostalOptionsDlg>(given); }, "postal.html",
             [&](QDialog& dlg) {
                 QVERIFY(dlg.result() == QDialog::Accepted && options(dlg) == given);
             },
             [&](QDialog& dlg) { QVERIFY(options(dlg) == given); }});
    }

    // Enter in Find goes to the list, and there it prints.
    void manyEnvelopes() {
        // Alice ticked, so that Preview and Print take the keyboard; and
        // Printer... there.
        Run({[this] {
                 m_settings.WriteProfileString("Many Envelopes", "Ticked", "[\"Alice\"]");
                 return std::make_unique<CManyEnvelopesDlg>(m_job, *m_book, m_settings,
                                                            [this] { return m_job; });
             },
             "printing.html#many-envelopes",
             [this](QDialog& dlg) {
                 QVERIFY(dlg.isVisible() && Focus() == Named<QTreeView>(&dlg, "envelopes"));
                 QTest::keyClick(Focus(), Qt::Key_Return);
                 QCOMPARE(Named<QLabel>(&dlg, "status")->text(),
                          "1 envelope saved to " + m_env->Root() + "/walk.pdf");
             },
             {}});
    }

    void importPreview() {
        m_import = std::make_unique<CContactsImport>(QStringLiteral("US"));
        m_import->ReadBytes("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Alice\r\nADR:;;9 Pine St;Ennis;;;\r\n"
                            "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nFN:Carol\r\n"
                            "ADR:;;3 Ash Way;Town;;;\r\nEND:VCARD\r\n"
                            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:No Address\r\nEND:VCARD\r\n",
                            "friends.vcf");
        Run({[this] {
                 return std::make_unique<CImportPreviewDlg>(*m_import, *m_book, "friends.vcf",
                                                            m_settings);
             },
             "import.html#preview",
             [](QDialog& dlg) { QCOMPARE(dlg.result(), int(QDialog::Accepted)); },
             {}});
    }

    // Enter closes; only Print itself prints.
    void printPreview() {
        Run({[this] {
                 return std::make_unique<CPrintPreviewDlg>(
                     m_printer, m_job, QStringList({"Ann\r\n1 Road", "Bo\r\n2 Road"}));
             },
             "preview.html",
             [](QDialog& dlg) { QCOMPARE(dlg.result(), int(QDialog::Rejected)); },
             {}});
    }
};

void TestKeyboardWalk::Run(const WalkedDialog& walked) {
    std::unique_ptr<QDialog> dlg = Shown(walked.make());
    const QList<QWidget*> stops = Walk(Qt::Key_Tab);
    QVERIFY2(!stops.isEmpty(), "Tab never comes back to the first stop");
    QString walk;
    for (QWidget* stop : stops)
        walk += QStringLiteral("\nTab -> %1 \"%2\"").arg(Role(stop), Spoken(stop));
    qInfo().noquote() << dlg->windowTitle() + walk;
    QList<QWidget*> back = Walk(Qt::SHIFT | Qt::Key_Tab);
    QVERIFY2(!back.isEmpty(), "Shift+Tab never comes back to the first stop");
    std::reverse(back.begin() + 1, back.end());
    QCOMPARE(back, stops);

    // Tab goes as the dialog is read, once round from wherever it starts.
    int turns = 0;
    for (qsizetype i = 0; i < stops.size(); ++i)
        turns += ReadBefore(stops[i], stops[(i + 1) % stops.size()]) ? 0 : 1;
    QVERIFY2(turns == 1, "Tab goes back and forth across the dialog");

    QSet<QWidget*> reached;
    for (QWidget* stop : stops) {
        QVERIFY2(!Spoken(stop).trimmed().isEmpty(), qPrintable(Role(stop) + " has no name"));
        reached.insert(stop);
    }
    for (QWidget* control : TabControls(*dlg))
        QVERIFY2(reached.contains(control),
                 qPrintable(Role(control) + " \"" + Spoken(control) + "\" is never reached"));

    // Space on each check box turns it and turns it back; on Help it opens
    // the dialog's page, as F1 does.
    for (QWidget* stop : stops) {
        while (Focus() != stop)
            QTest::keyClick(Focus(), Qt::Key_Tab);
        auto* box = qobject_cast<QCheckBox*>(stop);
        if (box) {
            const bool was = box->isChecked();
            QTest::keyClick(box, Qt::Key_Space);
            QCOMPARE(box->isChecked(), !was);
            QTest::keyClick(box, Qt::Key_Space);
        }
        if (qobject_cast<QPushButton*>(stop) && Spoken(stop) == u"Help")
            QTest::keyClick(stop, Qt::Key_Space);
    }
    PressShortcut(dlg.get(), Qt::Key_F1);
    QCOMPARE(m_helpPages, QStringList(2, walked.helpPage));
    QVERIFY(QFileInfo::exists(QStringLiteral(PELVARO_TEST_DATA_DIR "/../../res/help/") +
                              walked.helpPage.section(u'#', 0, 0)));
    CheckAccessKeys(*dlg);

    dlg = Shown(walked.make());
    QTest::keyClick(Focus(), Qt::Key_Return);
    walked.afterEnter(*dlg);
    dlg = Shown(walked.make());
    const QByteArray book = ReadWholeFile(m_env->BookPath());
    QTest::keyClick(Focus(), Qt::Key_Escape);
    QVERIFY(!dlg->isVisible() && dlg->result() == QDialog::Rejected);
    QCOMPARE(ReadWholeFile(m_env->BookPath()), book);
    if (walked.afterEscape)
        walked.afterEscape(*dlg);
}

// Each access key shown belongs to one control: a label's takes the focus
// to its box, a button's presses it (its own actions are cut off first).
void TestKeyboardWalk::CheckAccessKeys(QDialog& dlg) {
    QMap<QString, QWidget*> keys;
    QStringList twice;
    for (QWidget* widget : dlg.findChildren<QWidget*>()) {
        const auto* label = qobject_cast<QLabel*>(widget);
        const auto* button = qobject_cast<QAbstractButton*>(widget);
        const QString text = label && label->buddy() ? label->text() : button ? button->text() : "";
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (key.isEmpty() || !widget->isVisibleTo(&dlg))
            continue;
        if (keys.contains(key.toString()))
            twice << key.toString();
        keys.insert(key.toString(), widget);
    }
    QVERIFY2(twice.isEmpty(), qPrintable(twice.join(u' ') + " used twice"));
    for (auto [key, widget] : keys.asKeyValueRange()) {
        const QKeyCombination combination = QKeySequence(key)[0];
        if (const auto* label = qobject_cast<QLabel*>(widget)) {
            PressShortcut(&dlg, combination);
            QVERIFY2(Reported(Focus()) == label->buddy(), qPrintable(key));
            continue;
        }
        auto* button = qobject_cast<QAbstractButton*>(widget);
        if (!button->isEnabled())
            continue;
        const bool checked = button->isChecked();
        QObject::disconnect(button, &QAbstractButton::clicked, nullptr, nullptr);
        QSignalSpy clicked(button, &QAbstractButton::clicked);
        PressShortcut(&dlg, combination);
        QTRY_VERIFY2_WITH_TIMEOUT(clicked.count() == 1, qPrintable(key), kWaitMs);
        if (button->isCheckable())
            button->setChecked(checked);
    }
}

QTEST_MAIN(TestKeyboardWalk)
#include "tst_keyboardwalk.moc"
