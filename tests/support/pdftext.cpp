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
    const QStringList pages = html.split(QStringLiteral("<page "));
    for (qsizetype p = 1; p < pages.size(); ++p) {
        for (auto it = word.globalMatch(pages[p]); it.hasNext();) {
            const auto m = it.next();
            text.words.append({m.captured(5).replace(QStringLiteral("&amp;"), QStringLiteral("&")),
                               m.captured(1).toDouble(), m.captured(2).toDouble(),
                               m.captured(3).toDouble(), m.captured(4).toDouble(),
                               static_cast<int>(p - 1)});
        }
    }
    static const QRegularExpression title(R"(^Title:\s*(.*)$)",
                                          QRegularExpression::MultilineOption);
    text.title = title.match(Run(QStringLiteral("pdfinfo"), {path})).captured(1).trimmed();
    return text;
}

bool HavePdfTools() {
    for (const char* tool : {"pdftotext", "pdfinfo", "pdftoppm"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            return false;
    }
    return true;
}

QImage RenderPdfPage(const QString& path, int page, int dpi) {
    QProcess process;
    const QString number = QString::number(page + 1);
    process.start(QStringLiteral("pdftoppm"),
                  {"-gray", "-r", QString::number(dpi), "-f", number, "-l", number, path});
    process.waitForFinished(30000);
    return QImage::fromData(process.readAllStandardOutput(), "PGM");
}

QList<QRect> InkLines(const QImage& picture) {
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    QList<QRect> lines;
    QRect line;
    for (int y = 0; y <= grey.height(); ++y) {
        QRect row;
        for (int x = 0; y < grey.height() && x < grey.width(); ++x) {
            if (grey.constScanLine(y)[x] < 128)
                row |= QRect(x, y, 1, 1);
        }
        if (!row.isNull()) {
            line |= row;
        } else if (!line.isNull()) {
            lines.append(line);
            line = QRect();
        }
    }
    return lines;
}

bool SameInk(const QImage& a, const QImage& b) {
    const QList<QRect> la = InkLines(a);
    const QList<QRect> lb = InkLines(b);
    if (a.size() != b.size() || la.size() != lb.size() || la.isEmpty())
        return false;
    for (qsizetype i = 0; i < la.size(); ++i) {
        const QMargins d(la[i].left() - lb[i].left(), la[i].top() - lb[i].top(),
                         la[i].right() - lb[i].right(), la[i].bottom() - lb[i].bottom());
        if (qMax(qMax(qAbs(d.left()), qAbs(d.top())), qMax(qAbs(d.right()), qAbs(d.bottom()))) > 2)
            return false;
    }
    return true;
}
