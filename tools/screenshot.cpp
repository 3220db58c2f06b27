// Renders the main window, the about box and Print Many Envelopes (a book of
// 217 entries, a find, the line after a print, the preview), Printer
// Alignment, Layout, the sheet chooser and the column mapping to PNG files,
// so that a person can look at them: screenshot <output folder> [scale
// factor].
// Runs with its own temporary settings and data folders.

#include "contacts/contactsimport.h"
#include "postal/jobfromsettings.h"
#include "postal/postaloptions.h"
#include "print/devmode.h"
#include "print/printerblocks.h"
#include "settings/settingsstore.h"
#include "templates/maindialoggeometry.h"
#include "ui/aboutdlg.h"
#include "ui/importpreviewdlg.h"
#include "ui/layoutdlg.h"
#include "ui/manyenvelopesdlg.h"
#include "ui/pelvarodlg.h"
#include "ui/postaloptionsdlg.h"
#include "ui/printeralignmentdlg.h"
#include "ui/printpreview.h"
#include "ui/tabledialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder> [scale factor]\n", argv[0]);
        return 2;
    }
    if (argc > 2)
        qputenv("QT_SCALE_FACTOR", argv[2]);
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit());

    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Pelvaro"));
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    CSettingsStore settings(QStringLiteral("Torvane Software"), QStringLiteral("Pelvaro"));
    settings.WriteProfileString(
        QStringLiteral("Pelvaro"), QStringLiteral("LastReturnAddress"),
        QStringLiteral("Ada Example\r\n12 Quill Lane\r\nSpringfield, IL 62704"));
    settings.WriteProfileString(
        QStringLiteral("Pelvaro"), QStringLiteral("LastMailingAddress"),
        QStringLiteral("Torvane Software\r\nAttn: Customer Care\r\n"
                       "400 Harbour Street, Suite 12\r\nPortland, OR 97204"));

    CPelvaroDlg dialog(settings);
    bool ok = true;
    QTimer::singleShot(0, &dialog, [&] {
        ok &= dialog.grab().save(folder + QStringLiteral("/main.png"));
        QTimer::singleShot(0, &dialog, [&] {
            if (auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
                ok &= about->grab().save(folder + QStringLiteral("/about.png"));
                about->reject();
            } else {
                ok = false;
            }
        });
        dialog.OnSysCommand(IDM_ABOUTBOX);
        dialog.reject();
    });
    dialog.DoModal();

    const QStringList names = {
        u"Karl M\u00fcller"_qs,
        u"Ana Mar\u00eda L\u00f3pez"_qs,
        u"\u0395\u03bb\u03ad\u03bd\u03b7 \u03a0\u03b1\u03c0\u03b1\u03b4\u03bf\u03c0\u03bf\u03cd\u03bb\u03bf\u03c5"_qs,
        u"\u0418\u0432\u0430\u043d \u041f\u0435\u0442\u0440\u043e\u0432"_qs,
        u"\u5f20\u4f1f"_qs,
        u"\u05d3\u05d5\u05d3 \u05db\u05d4\u05df"_qs,
        u"\u0633\u0627\u0631\u0627 \u0639\u0644\u064a"_qs,
        u"Karin Andersson"_qs};
    CAddressBook book;
    book.LoadAddressBook();
    for (int i = 0; i < 217; ++i) {
        const QString name = names[i % names.size()] + QStringLiteral(" %1").arg(i);
        book.AddAddress(CAddress(
            name, name + QStringLiteral("\r\n%1 Long Street\r\nGraz 80%2").arg(i).arg(i % 10)));
    }
    JobOverrides window;
    window.returnAddress = QStringLiteral("Ada Example\r\n12 Quill Lane");
    window.devNames = DEVNAMES{QStringLiteral("pdf"), QStringLiteral("pdf"),
                               home.path() + QStringLiteral("/envelopes.pdf")}
                          .ToBytes();
    EnvelopeJob job = MakeEnvelopeJob(settings, MainDialogGeometry(96), window);
    CManyEnvelopesDlg many(job, book, settings, [&job] { return job; });
    many.show();
    QAbstractItemModel* list = many.findChild<QTreeView*>(QStringLiteral("envelopes"))->model();
    for (int row : {1, 4, 9})
        list->setData(list->index(row, 0), Qt::Checked, Qt::CheckStateRole);
    // Lays the dialog out anew, as the event loop would before drawing.
    QApplication::processEvents();
    ok &= many.grab().save(folder + QStringLiteral("/many.png"));
    auto* find = many.findChild<QLineEdit*>(QStringLiteral("find"));
    find->setText(QStringLiteral("muller 8"));
    QApplication::processEvents();
    ok &= many.grab().save(folder + QStringLiteral("/many-find.png"));
    find->clear();
    many.OnPrint();
    QApplication::processEvents();
    ok &= many.grab().save(folder + QStringLiteral("/many-printed.png"));
    QTimer::singleShot(0, &many, [&] {
        if (auto* preview = qobject_cast<CPrintPreviewDlg*>(QApplication::activeModalWidget())) {
            ok &= preview->grab().save(folder + QStringLiteral("/preview.png"));
            preview->reject();
        } else {
            ok = false;
        }
    });
    many.OnPreview();
    // The post office's areas over a No. 10 and a DL envelope.
    for (const auto& [paper, name] : {std::pair{20, "no10"}, std::pair{27, "dl"}}) {
        DEVMODEW mode;
        mode.dmFields =
            DEVMODEW::DM_PAPERSIZE | DEVMODEW::DM_ORIENTATION | DEVMODEW::DM_PRINTQUALITY;
        mode.dmPaperSize = static_cast<int16_t>(paper);
        mode.dmOrientation = DEVMODEW::DMORIENT_LANDSCAPE;
        mode.dmPrintQuality = 300;
        EnvelopeJob postal = job;
        postal.devMode = mode.ToBytes();
        const QString picture = folder + QStringLiteral("/preview-postal-%1.png").arg(name);
        QTimer::singleShot(0, &many, [&] {
            if (auto* preview =
                    qobject_cast<CPrintPreviewDlg*>(QApplication::activeModalWidget())) {
                ok &= preview->grab().save(picture);
                preview->reject();
            } else {
                ok = false;
            }
        });
        ShowPrintPreview(&many, postal,
                         {QStringLiteral("Karin Andersson\r\n12 Long Street\r\nSpringfield IL "
                                         "62704-1234")},
                         PageOverlay(&DrawPostalAreas));
    }
    // An import whose labels are partly in the book, one contact without an
    // address, one line the reader cannot use.
    CContactsImport import(QStringLiteral("AT"));
    import.ReadBytes(QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Karin Andersson 7\r\n"
                                    "ADR:;;Storgatan 1;Lund;;222 22;Sverige\r\nEND:VCARD\r\n"
                                    "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Niamh Byrne\r\n"
                                    "ADR:;;1 Main Street;Ennis;Co. Clare;V95 X2Y3;Ireland\r\n"
                                    "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\n"
                                    "FN:No Address\r\nEND:VCARD\r\nBROKEN LINE\r\n")
                         .toUtf8(),
                     QStringLiteral("friends.vcf"));
    CImportPreviewDlg importPreview(import, book, QStringLiteral("friends.vcf"), settings);
    importPreview.findChild<QComboBox*>(QStringLiteral("duplicates"))->setCurrentIndex(2);
    importPreview.show();
    QApplication::processEvents();
    ok &= importPreview.grab().save(folder + QStringLiteral("/import-preview.png"));
    CPrinterAlignmentDlg alignment(QStringLiteral("Office"),
                                   {EnvelopeFeed::StandingCentre, true, 15, -20}, {});
    alignment.show();
    ok &= alignment.grab().save(folder + QStringLiteral("/alignment.png"));
    // A workbook with two lists, and a club's list whose columns the
    // program does not know, with a choice given before for them.
    CSheetChooserDlg chooser(QStringLiteral("club.xlsx"),
                             {{QStringLiteral("Notes"), false, false},
                              {QStringLiteral("Members 2026"), false, true},
                              {QStringLiteral("Members 2025"), false, true}});
    chooser.show();
    ok &= chooser.grab().save(folder + QStringLiteral("/sheet-chooser.png"));
    CContactsImport club(QStringLiteral("GB"));
    club.ReadBytes(QStringLiteral("Leeds Rambling Club\n\nMember;Street and number;Town;Postcode;"
                                  "Joined\nAlice Walker;14 Otley Road;Leeds;LS6 3AA;2019\n"
                                  "Bob Singh;2 Kirkstall Lane;Leeds;LS5 3BT;2021\nCarys Evans;"
                                  "\"Flat 3\n21 Headingley Lane\";Leeds;LS6 1BL;2024\n")
                       .toUtf8(),
                   QStringLiteral("club.csv"));
    QString why;
    CColumnMappingDlg columns(
        QStringLiteral("club.csv"), club.UnreadTableRows(), HeaderOfRows(club.UnreadTableRows()),
        CColumnMapping::Parse(QStringLiteral("name=Member,street=Street and number,locality=Town"),
                              &why));
    columns.show();
    QApplication::processEvents();
    ok &= columns.grab().save(folder + QStringLiteral("/column-mapping.png"));
    // Layout on a DL envelope placed for the post.
    EnvelopeJob abroad = job;
    abroad.mailingAddress = QStringLiteral("Herrn Max Mustermann\r\nMusterstra\u00DFe 12\r\n"
                                           "10115 Berlin\r\nGERMANY");
    CLayoutDlg layout(abroad, *FindPaperSize(QStringLiteral("DL")), {});
    layout.resize(640, 560);
    layout.show();
    layout.findChild<QPushButton*>(QStringLiteral("forPost"))->click();
    QApplication::processEvents();
    ok &= layout.grab().save(folder + QStringLiteral("/layout.png"));
    PostalOptions postalOptions;
    postalOptions.barcode = true;
    CPostalOptionsDlg postalDialog(postalOptions);
    postalDialog.show();
    ok &= postalDialog.grab().save(folder + QStringLiteral("/postal-options.png"));
    postalDialog.accept(); // every empty field said at once
    QApplication::processEvents();
    ok &= postalDialog.grab().save(folder + QStringLiteral("/postal-options-wrong.png"));
    return ok ? 0 : 1;
}
