#include "cli/commandcontext.h"

#include "cli/optionnames.h"
#include "cli/toolfailure.h"
#include "settings/registryfile.h"

#include <QCommandLineParser>

using namespace OptionNames;

CCommandContext::CCommandContext(QIODevice& out, QIODevice& err)
    : m_out(&out), m_err(&err),
      m_settings(QString::fromLatin1(CSettingsStore::kCompanyName), QStringLiteral("Pelvaro")) {}

void CCommandContext::Tell(const QString& message) {
    m_err << kProgramName << ": " << message << '\n';
}

CAddressBook& CCommandContext::Book() {
    if (!m_book) {
        CAddressBook book;
        book.LoadAddressBook();
        // Nothing is done with a book that could not be read: an export
        // would put an empty file in the place of a good one.
        if (book.GetLoadState() == CAddressBook::LoadState::Unreadable)
            Fail(ExitStatus::Damaged, book.LoadProblem());
        m_book = std::move(book);
    }
    return *m_book;
}

const CAddressBook& CCommandContext::BookFor(const QCommandLineParser& parser) {
    const QStringList bookOptions = {kToLabel, kFromLabel, kBook, kLabels, kLabel};
    for (const QString& option : parser.optionNames()) {
        if (bookOptions.contains(option))
            return Book();
    }
    return m_noBook;
}

QStringList CCommandContext::DamageNotes() const {
    QStringList notes;
    // A save that kept the damaged book aside says where; the book it wrote
    // is whole again.
    if (m_book && !m_book->BackupNote().isEmpty())
        notes << m_book->BackupNote();
    else if (m_book && m_book->LoadWasIncomplete())
        notes << m_book->LoadProblem();
    return notes + CRegistryFile::DamageNotes();
}
