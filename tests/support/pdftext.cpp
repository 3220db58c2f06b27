#include "pdftext.h"

#include <QtCore>

namespace {

QString Run(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.start(tool, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

const PdfWord* PdfText::Find(const QString& text) const {
    const auto it =
        std::find_if(words.begin(), words.end(), [&](const PdfWord& w) { return w.text == text; });
    return it == words.end() ? nullptr : &*it;
}

PdfText ReadPdf(const QString& path) {
    const QString html = Run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, "-"});
    PdfText text;
    static const QRegularExpression page(R"re(<page width="([\d.]+)" height="([\d.]+)">)re");
    static const QRegularExpression word(
        R"re(<word xMin="([\d.-]+)" yMin="([\d.-]+)" xMax="([\d.-]+)" yMax="([\d.-]+)">(.*?)</word>)re");
    for (auto it = page.globalMatch(html); it.hasNext(); ++text.pages) {
        const auto m = it.next();
        text.width = m.captured(1).toDouble();
        text.height = m.captured(2).toDouble();
    }
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        text.words.append({m.captured(5).replace(QStringLiteral("&amp;"), QStringLiteral("&")),
                           m.captured(1).toDouble(), m.captured(2).toDouble(),
                           m.captured(3).toDouble(), m.captured(4).toDouble()});
    }
    static const QRegularExpression title(R"(^Title:\s*(.*)$)",
                                          QRegularExpression::MultilineOption);
    text.title = title.match(Run(QStringLiteral("pdfinfo"), {path})).captured(1).trimmed();
    return text;
}

bool HavePdfTools() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty();
}
