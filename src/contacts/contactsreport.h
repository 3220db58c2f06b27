#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One thing wrong in a contacts file, at the line where it starts.
struct ContactsProblem {
    int line = 0;
    QString message;
};

// What went wrong while reading one contacts file, in line order, one entry
// a line. A file of nothing but bad lines could make a long list, so past a
// limit only the count grows.
class CContactsReport {
public:
    static constexpr int kMaxProblems = 1000;

    explicit CContactsReport(QString fileName = QString()) : m_fileName(std::move(fileName)) {}

    void AddProblem(int line, QString message);

    const QList<ContactsProblem>& Problems() const { return m_problems; }
    // Problems found beyond kMaxProblems, counted but not kept.
    int ProblemsLeftOut() const { return m_problemsLeftOut; }
    bool IsClean() const { return m_problems.isEmpty(); }
    // What the user should know of a file read well: rows left out on
    // purpose. Notes are not problems.
    void AddNote(QString note) { m_notes.append(std::move(note)); }
    const QStringList& Notes() const { return m_notes; }
    // One line per note, "file: note".
    QStringList NoteLines() const;

    // One line per problem, "file:line: message", and a last line saying how
    // many more there were when the list was cut.
    QStringList Lines() const;

private:
    QString m_fileName;
    QList<ContactsProblem> m_problems;
    int m_problemsLeftOut = 0;
    QStringList m_notes;
};
