#pragma once

#include <QString>

// The tool's options by name, as typed after "--". Each is spelled here
// only, whichever commands take it.
namespace OptionNames {

inline const QString kHelp = QStringLiteral("help");

// The envelope: what print and check take, and merge and align in part.
inline const QString kTo = QStringLiteral("to");
inline const QString kToLabel = QStringLiteral("to-label");
inline const QString kFrom = QStringLiteral("from");
inline const QString kFromLabel = QStringLiteral("from-label");
inline const QString kSize = QStringLiteral("size");
inline const QString kPrinter = QStringLiteral("printer");
inline const QString kPdf = QStringLiteral("pdf");
inline const QString kPng = QStringLiteral("png");
inline const QString kDpi = QStringLiteral("dpi");
inline const QString kShift = QStringLiteral("shift");
inline const QString kPostalStyle = QStringLiteral("postal-style");
inline const QString kImb = QStringLiteral("imb");
inline const QString kPaper = QStringLiteral("paper");

// merge
inline const QString kBook = QStringLiteral("book");
inline const QString kLabels = QStringLiteral("labels");
inline const QString kLabel = QStringLiteral("label");
inline const QString kDryRun = QStringLiteral("dry-run");
inline const QString kPngDir = QStringLiteral("png-dir");

// import, and merge for the contacts of a file
inline const QString kOnDuplicate = QStringLiteral("on-duplicate");
inline const QString kAddress = QStringLiteral("address");
inline const QString kSheet = QStringLiteral("sheet");
inline const QString kColumns = QStringLiteral("columns");

// export and list
inline const QString kFormat = QStringLiteral("format");
inline const QString kJson = QStringLiteral("json");

// align
inline const QString kFeed = QStringLiteral("feed");
inline const QString kTurned = QStringLiteral("turned");
inline const QString kShow = QStringLiteral("show");
inline const QString kReset = QStringLiteral("reset");
inline const QString kTestPage = QStringLiteral("test-page");

// layout
inline const QString kReturn = QStringLiteral("return");
inline const QString kMailing = QStringLiteral("mailing");
inline const QString kForPost = QStringLiteral("for-post");

} // namespace OptionNames
