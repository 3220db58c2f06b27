#include "ui/maindialogcommands.h"

#include "addressbook/addressbook.h"
#include "contacts/addressformatter.h"
#include "contacts/contactsimport.h"
#include "postal/postaloptions.h"
#include "settings/settingsstore.h"
#include "settings/storedvalues.h"
#include "ui/contactsfiledialogs.h"
#include "ui/logging.h"

using namespace StoredValues;

namespace {
const QString kSection = QString::fromLatin1(CSettingsStore::kSection);
} // namespace

CMainDialogCommands::CMainDialogCommands(const MainDialogState& state, CSettingsStore& settings)
    : m_state(state), m_settings(settings) {
    m_state.addressBook.LoadAddressBook();

    m_state.mailingLabel = m_settings.GetProfileString(kSection, kLastMailingAddressLabel);
    m_state.mailingAddress = m_settings.GetProfileString(kSection, kLastMailingAddress);
    m_state.returnLabel = m_settings.GetProfileString(kSection, kLastReturnAddressLabel);
    m_state.returnAddress = m_settings.GetProfileString(kSection, kLastReturnAddress);

    if (const auto devMode = m_settings.ReadBinaryValue(kDevMode))
        m_state.devMode = *devMode;
    if (const auto devNames = m_settings.ReadBinaryValue(kDevNames))
        m_state.devNames = *devNames;

    m_state.mailingLogFont = ReadLogFontValue(m_settings, kMailingAddressLogFont);
    m_state.returnLogFont = ReadLogFontValue(m_settings, kReturnAddressLogFont);
    m_state.mailingFont = FontFromLogFont(m_state.mailingLogFont);
    m_state.returnFont = FontFromLogFont(m_state.returnLogFont);
}

void CMainDialogCommands::LoadEnvelopeIndex() {
    m_state.envelopeIndex = m_settings.GetProfileInt(kSection, kLastEnvelopeIndex, 0);
}

void CMainDialogCommands::SaveLastUsed() {
    // The five values in their order, stored as one change: a copy that
    // ends halfway never leaves half of them behind.
    m_settings.WriteProfileValues(kSection, {
                                                {kLastMailingAddressLabel, m_state.mailingLabel},
                                                {kLastMailingAddress, m_state.mailingAddress},
                                                {kLastReturnAddressLabel, m_state.returnLabel},
                                                {kLastReturnAddress, m_state.returnAddress},
                                                {kLastEnvelopeIndex, m_state.envelopeIndex},
                                            });
}

EnvelopeJob CMainDialogCommands::Job(const DialogGeometry& geometry) const {
    EnvelopeJob job;
    job.returnAddress = m_state.returnAddress;
    job.mailingAddress = m_state.mailingAddress;
    job.envelopeIndex = m_state.envelopeIndex;
    job.returnLogFont = m_state.returnLogFont;
    job.mailingLogFont = m_state.mailingLogFont;
    job.devMode = m_state.devMode;
    job.devNames = m_state.devNames;
    job.clientSize = geometry.clientSize;
    job.returnBoxTopLeft = geometry.returnBoxTopLeft;
    job.mailingBoxTopLeft = geometry.mailingBoxTopLeft;
    job.screenDpiY = geometry.screenDpiY;
    // Read again for each job: the tool may have stored one meanwhile.
    job.alignment = ReadPrinterAlignment(m_settings, AlignmentPrinterName(job.devNames))
                        .value_or(PrinterAlignment());
    ApplyPostalOptions(job, Postal(), CAddressFormatter::SystemCountry());
    return job;
}

PostalOptions CMainDialogCommands::Postal() const {
    return ReadPostalOptions(m_settings);
}

bool CMainDialogCommands::StorePostal(const PostalOptions& options) {
    return WritePostalOptions(m_settings, options);
}

QStringList CMainDialogCommands::PostalFindings(const DialogGeometry& geometry) const {
    const PostalOptions options = Postal();
    if (!options.checkBeforePrinting)
        return {};
    const EnvelopeJob job = Job(geometry);
    // A printer that is not there is Print's to report.
    return CheckPostalAddress(job, job.mailingAddress, options, CAddressFormatter::SystemCountry())
        .value_or(QStringList());
}

PrintResult CMainDialogCommands::Print(const DialogGeometry& geometry, PrintFailure* failure) {
    qCInfo(LogUi) << "print: envelope size" << m_state.envelopeIndex;
    return PrintEnvelope(Job(geometry), failure);
}

QString CMainDialogCommands::AlignmentPrinter() const {
    return AlignmentPrinterName(m_state.devNames);
}

PrinterAlignment CMainDialogCommands::StoredAlignment() const {
    return ReadPrinterAlignment(m_settings, AlignmentPrinter()).value_or(PrinterAlignment());
}

bool CMainDialogCommands::StoreAlignment(const PrinterAlignment& alignment) {
    qCInfo(LogUi) << "alignment of" << AlignmentPrinter() << FormatAlignment(alignment);
    return WritePrinterAlignment(m_settings, AlignmentPrinter(), alignment);
}

PrintResult CMainDialogCommands::PrintTestPage(const DialogGeometry& geometry,
                                               const PrinterAlignment& alignment,
                                               PrintFailure* failure) {
    EnvelopeJob job = Job(geometry);
    job.alignment = alignment;
    return ::PrintTestPage(job, TestPageCaption(AlignmentPrinter(), alignment), failure);
}

void CMainDialogCommands::ReloadBook() {
    m_state.addressBook.ReloadIfChangedOnDisk();
}

bool CMainDialogCommands::AddEntry(const QString& newLabel, const QString& address,
                                   QString& label) {
    CAddressBook& book = m_state.addressBook;
    // The label is tested on the book as the file holds it now.
    const bool added = book.Edit([&] {
        if (!book.IsLabelUnique(newLabel))
            return false;
        book.InsertAddress(CAddress(newLabel, address));
        return true;
    });
    qCInfo(LogUi) << "add entry:" << newLabel << (added ? "added" : "label taken");
    if (added)
        label = newLabel;
    return added;
}

void CMainDialogCommands::ModifyEntry(const QString& label, const QString& address) {
    qCInfo(LogUi) << "modify entry:" << label;
    CAddressBook& book = m_state.addressBook;
    book.Edit([&] {
        book.SetAddressAt(book.FindLabel(label), address);
        return true;
    });
}

void CMainDialogCommands::DeleteEntry(QString& label) {
    qCInfo(LogUi) << "delete entry:" << label;
    CAddressBook& book = m_state.addressBook;
    book.Edit([&] {
        book.RemoveAt(book.FindLabel(label));
        label.clear();
        return true;
    });
}

void CMainDialogCommands::PickEntry(int index, QString& label, QString& address) const {
    const CAddress& entry = m_state.addressBook.GetAt(index);
    label = entry.m_strLabel;
    address = entry.m_strAddress;
}

QString CMainDialogCommands::LocationMessage() const {
    return m_state.addressBook.LocationMessage();
}

void CMainDialogCommands::StorePrinter(const QByteArray& devMode, const QByteArray& devNames) {
    m_state.devMode = devMode;
    m_state.devNames = devNames;
    m_settings.WriteBinaryValue(kDevMode, m_state.devMode);
    m_settings.WriteBinaryValue(kDevNames, m_state.devNames);
}

void CMainDialogCommands::StoreReturnFont(const LOGFONTW& description) {
    m_state.returnLogFont = description;
    m_state.returnFont = FontFromLogFont(description);
    m_settings.WriteBinaryValue(kReturnAddressLogFont, description.ToBytes());
}

void CMainDialogCommands::StoreMailingFont(const LOGFONTW& description) {
    m_state.mailingLogFont = description;
    m_state.mailingFont = FontFromLogFont(description);
    m_settings.WriteBinaryValue(kMailingAddressLogFont, description.ToBytes());
}

ImportOutcome CMainDialogCommands::Import(const CContactsImport& import, const QString& fileName,
                                          DuplicateLabels policy) {
    qCInfo(LogUi) << "import:" << fileName;
    const ImportResult result = import.MergeInto(m_state.addressBook, policy);
    const MessageText message = ContactsFileMessage(ImportedLines(result, fileName), import);
    return {message.text, message.details,
            import.Report().IsClean() && import.WithoutAddressCount() == 0 &&
                result.labelTaken == 0};
}

void CMainDialogCommands::Export(const QString& path, ContactsFormat format) const {
    qCInfo(LogUi) << "export:" << path;
    CContactsWriter::WriteFile(path, m_state.addressBook, format);
}
