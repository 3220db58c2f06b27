#include "ui/maindialogcommands.h"

#include "addressbook/addressbook.h"
#include "contacts/addressformatter.h"
#include "contacts/contactsimport.h"
#include "postal/jobfromsettings.h"
#include "postal/postaloptions.h"
#include "print/printeralignment.h"
#include "settings/settingsstore.h"
#include "settings/storedvalues.h"
#include "ui/contactsfiledialogs.h"
#include "ui/logging.h"

#include <QPrinter>

using namespace StoredValues;

namespace {
const QString kSection = QString::fromLatin1(CSettingsStore::kSection);
} // namespace

CMainDialogCommands::CMainDialogCommands(CAddressBook& book, CSettingsStore& settings)
    : m_book(book), m_settings(settings) {}

WorkingState CMainDialogCommands::Load() {
    m_book.LoadAddressBook();
    WorkingState state;
    state.mailingLabel = m_settings.GetProfileString(kSection, kLastMailingAddressLabel);
    state.mailingAddress = m_settings.GetProfileString(kSection, kLastMailingAddress);
    state.returnLabel = m_settings.GetProfileString(kSection, kLastReturnAddressLabel);
    state.returnAddress = m_settings.GetProfileString(kSection, kLastReturnAddress);
    state.devMode = m_settings.ReadBinaryValue(kDevMode).value_or(QByteArray());
    state.devNames = m_settings.ReadBinaryValue(kDevNames).value_or(QByteArray());
    state.mailingLogFont = ReadLogFontValue(m_settings, kMailingAddressLogFont);
    state.returnLogFont = ReadLogFontValue(m_settings, kReturnAddressLogFont);
    return state;
}

int CMainDialogCommands::StoredEnvelopeIndex() const {
    return m_settings.GetProfileInt(kSection, kLastEnvelopeIndex, 0);
}

void CMainDialogCommands::SaveLastUsed(const WorkingState& state) {
    // The five values in their order, stored as one change: a copy that
    // ends halfway never leaves half of them behind.
    m_settings.WriteProfileValues(kSection, {
                                                {kLastMailingAddressLabel, state.mailingLabel},
                                                {kLastMailingAddress, state.mailingAddress},
                                                {kLastReturnAddressLabel, state.returnLabel},
                                                {kLastReturnAddress, state.returnAddress},
                                                {kLastEnvelopeIndex, state.envelopeIndex},
                                            });
}

EnvelopeJob CMainDialogCommands::Job(const WorkingState& state,
                                     const DialogGeometry& geometry) const {
    // Everything the window holds stands in for what it stored: a setting
    // that could not be written is still used until the window closes.
    JobOverrides window;
    window.returnAddress = state.returnAddress;
    window.mailingAddress = state.mailingAddress;
    window.envelopeIndex = state.envelopeIndex;
    window.returnLogFont = state.returnLogFont;
    window.mailingLogFont = state.mailingLogFont;
    window.devMode = state.devMode;
    window.devNames = state.devNames;
    return MakeEnvelopeJob(m_settings, geometry, window);
}

PrintResult CMainDialogCommands::Print(const EnvelopeJob& job, const PrintDespite& printDespite,
                                       PrintFailure* failure) const {
    qCInfo(LogUi) << "print: envelope size" << job.envelopeIndex;
    // One printer for the check and the print: it is asked for its page
    // once.
    QPrinter printer(QPrinter::HighResolution);
    if (!ConfigureJobPrinter(printer, job))
        return PrintResult::InvalidSetup;
    if (const PostalOptions options = Postal(); options.checkBeforePrinting) {
        const QStringList findings = CheckPostalAddress(job, printer, job.mailingAddress, options,
                                                        CAddressFormatter::SystemCountry());
        if (!findings.isEmpty() && !printDespite(findings))
            return PrintResult::Cancelled;
    }
    return PrintEnvelope(job, printer, failure);
}

PostalOptions CMainDialogCommands::Postal() const {
    return ReadPostalOptions(m_settings);
}

bool CMainDialogCommands::StorePostal(const PostalOptions& options) {
    return WritePostalOptions(m_settings, options);
}

QStringList CMainDialogCommands::PostalFindings(const EnvelopeJob& job) const {
    const PostalOptions options = Postal();
    if (!options.checkBeforePrinting)
        return {};
    // A printer that is not there is Print's to report.
    return CheckPostalAddress(job, job.mailingAddress, options, CAddressFormatter::SystemCountry())
        .value_or(QStringList());
}

bool CMainDialogCommands::StoreAlignment(const QString& printer,
                                         const PrinterAlignment& alignment) {
    qCInfo(LogUi) << "alignment of" << printer << FormatAlignment(alignment);
    return WritePrinterAlignment(m_settings, printer, alignment);
}

PrintResult CMainDialogCommands::PrintTestPage(EnvelopeJob job, const PrinterAlignment& alignment,
                                               PrintFailure* failure) const {
    job.alignment = alignment;
    return ::PrintTestPage(job, TestPageCaption(AlignmentPrinterName(job.target), alignment),
                           failure);
}

void CMainDialogCommands::ReloadBook() {
    m_book.ReloadIfChangedOnDisk();
}

bool CMainDialogCommands::AddEntry(const QString& newLabel, const QString& address) {
    // The label is tested on the book as the file holds it now.
    const bool added = m_book.Edit([&] {
        if (!m_book.IsLabelUnique(newLabel))
            return false;
        m_book.InsertAddress(CAddress(newLabel, address));
        return true;
    });
    qCInfo(LogUi) << "add entry:" << newLabel << (added ? "added" : "label taken");
    return added;
}

void CMainDialogCommands::ModifyEntry(const QString& label, const QString& address) {
    qCInfo(LogUi) << "modify entry:" << label;
    m_book.Edit([&] {
        m_book.SetAddressAt(m_book.FindLabel(label), address);
        return true;
    });
}

void CMainDialogCommands::DeleteEntry(const QString& label) {
    qCInfo(LogUi) << "delete entry:" << label;
    m_book.Edit([&] {
        m_book.RemoveAt(m_book.FindLabel(label));
        return true;
    });
}

CAddress CMainDialogCommands::PickEntry(int index) const {
    return m_book.GetAt(index);
}

QString CMainDialogCommands::LocationMessage() const {
    return m_book.LocationMessage();
}

void CMainDialogCommands::StorePrinter(const QByteArray& devMode, const QByteArray& devNames) {
    // Both blocks in one change: a stop between two writes would leave the
    // settings of one printer beside the name of another.
    m_settings.WriteBinaryValues({{kDevMode, devMode}, {kDevNames, devNames}});
}

void CMainDialogCommands::StoreReturnFont(const LOGFONTW& description) {
    m_settings.WriteBinaryValue(kReturnAddressLogFont, description.ToBytes());
}

void CMainDialogCommands::StoreMailingFont(const LOGFONTW& description) {
    m_settings.WriteBinaryValue(kMailingAddressLogFont, description.ToBytes());
}

ImportOutcome CMainDialogCommands::Import(const CContactsImport& import, const QString& fileName,
                                          DuplicateLabels policy) {
    qCInfo(LogUi) << "import:" << fileName;
    const ImportResult result = import.MergeInto(m_book, policy);
    const MessageText message = ContactsFileMessage(ImportedLines(result, fileName), import);
    return {message.text, message.details,
            import.Report().IsClean() && import.WithoutAddressCount() == 0 &&
                result.labelTaken == 0};
}

void CMainDialogCommands::Export(const QString& path, ContactsFormat format) const {
    qCInfo(LogUi) << "export:" << path;
    CContactsWriter::WriteFile(path, m_book, format);
}
