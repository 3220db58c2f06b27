#include "contacts/contactsreport.h"

#include <algorithm>

void CContactsReport::AddProblem(int line, QString message) {
    // In line order, each line once: a card's problems found when it ends
    // go before those of its later lines, and a second problem of a line
    // joins the first.
    const auto place =
        std::lower_bound(m_problems.begin(), m_problems.end(), line,
                         [](const ContactsProblem& problem, int l) { return problem.line < l; });
    if (place != m_problems.end() && place->line == line) {
        place->message += QStringLiteral("; ") + message;
        return;
    }
    if (m_problems.size() < kMaxProblems)
        m_problems.insert(place, {line, std::move(message)});
    else
        ++m_problemsLeftOut;
}

QStringList CContactsReport::Lines() const {
    QStringList lines;
    lines.reserve(m_problems.size() + 1);
    for (const ContactsProblem& problem : m_problems) {
        if (problem.line > 0)
            // One pass, so a "%2" in a file name or message stays as it is.
            lines.append(QStringLiteral("%1:%2: %3")
                             .arg(m_fileName, QString::number(problem.line), problem.message));
        else
            lines.append(m_fileName + QStringLiteral(": ") + problem.message);
    }
    if (m_problemsLeftOut > 0)
        lines.append(QStringLiteral("%1: %2 more problems not listed")
                         .arg(m_fileName, QString::number(m_problemsLeftOut)));
    return lines;
}

QStringList CContactsReport::NoteLines() const {
    QStringList lines;
    for (const QString& note : m_notes)
        lines.append(m_fileName + QStringLiteral(": ") + note);
    return lines;
}
