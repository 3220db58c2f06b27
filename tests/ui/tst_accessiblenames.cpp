// What a screen reader announces for the controls of the program's dialogs.

#include "aboutdlg.h"
#include "addaddressdlg.h"
#include "multilineedit.h"
#include "pelvarodlg.h"
#include "settingsstore.h"
#include "testenvironment.h"

#include <QAccessible>
#include <QTest>

class TestAccessibleNames : public QObject {
    Q_OBJECT
private slots:
    void everyControlHasAName();
};

void TestAccessibleNames::everyControlHasAName() {
    const CTestEnvironment environment;
    CSettingsStore settings(QStringLiteral("Torvane Software"), QStringLiteral("Pelvaro"));
    CPelvaroDlg main(settings);
    CAddAddressDlg add(QStringLiteral("1 Road"));
    CAboutDlg about;
    const auto name = [](QWidget* control) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
        return face ? face->text(QAccessible::Name) : QString();
    };
    QCOMPARE(name(main.m_returnEdit), QStringLiteral("Return address"));
    QCOMPARE(name(main.m_mailingEdit), QStringLiteral("Mailing address"));
    QCOMPARE(name(main.GetDlgItem(IDC_STAMP)), QStringLiteral("Postage stamp"));
    for (const CTemplateDialog* dialog :
         {static_cast<CTemplateDialog*>(&main), static_cast<CTemplateDialog*>(&add),
          static_cast<CTemplateDialog*>(&about)}) {
        for (QWidget* control :
             dialog->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            QVERIFY2(!name(control).trimmed().isEmpty(),
                     qPrintable(dialog->windowTitle() + QLatin1Char(' ') + control->objectName()));
    }
}

QTEST_MAIN(TestAccessibleNames)
#include "tst_accessiblenames.moc"
