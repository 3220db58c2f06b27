#include "print/printerblocks.h"

#include "settings/settingsstore.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>

namespace {

// Paper bins: the block's codes start at 1 where the printer's start at 0.
struct SourcePair {
    int16_t bin;
    QPrinter::PaperSource source;
};
constexpr SourcePair kSources[] = {
    {1, QPrinter::OnlyOne},      {2, QPrinter::Lower},          {3, QPrinter::Middle},
    {4, QPrinter::Manual},       {5, QPrinter::Envelope},       {6, QPrinter::EnvelopeManual},
    {7, QPrinter::Auto},         {8, QPrinter::Tractor},        {9, QPrinter::SmallFormat},
    {10, QPrinter::LargeFormat}, {11, QPrinter::LargeCapacity}, {14, QPrinter::Cassette},
    {15, QPrinter::FormSource},
};

int16_t TenthsOfMillimetre(qreal millimetres) {
    return static_cast<int16_t>(qBound<qreal>(1, std::round(millimetres * 10), INT16_MAX));
}

} // namespace

bool IsUsablePdfOutput(const QString& path) {
    if (path.isEmpty() || QDir::isRelativePath(path))
        return false;
    const QFileInfo info(path);
    // A link must lead to a file; one that leads nowhere would create a file
    // wherever it points.
    if (info.isSymLink())
        return info.isFile();
    return !info.exists() || info.isFile();
}

bool ApplyPrintTarget(QPrinter& printer, const PrintTarget& target) {
    if (target.IsFile()) {
        if (!IsUsablePdfOutput(target.name))
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(target.name);
        return true;
    }
    // Blocks written on another machine name printers that are not here.
    if (target.kind != PrintTarget::Kind::Queue || target.name.isEmpty() ||
        QPrinterInfo::printerInfo(target.name).isNull())
        return false;
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setPrinterName(target.name);
    return printer.printerName() == target.name;
}

void ApplyDevMode(QPrinter& printer, const DEVMODEW& mode) {
    // Length and width override the paper code, as they do for the drivers.
    if (mode.Has(DEVMODEW::DM_PAPERLENGTH) && mode.Has(DEVMODEW::DM_PAPERWIDTH) &&
        mode.dmPaperLength > 0 && mode.dmPaperWidth > 0) {
        printer.setPageSize(QPageSize(QSizeF(mode.dmPaperWidth / 10.0, mode.dmPaperLength / 10.0),
                                      QPageSize::Millimeter));
    } else if (mode.Has(DEVMODEW::DM_PAPERSIZE) && mode.dmPaperSize > 0) {
        const QPageSize::PageSizeId id = QPageSize::id(mode.dmPaperSize);
        if (id != QPageSize::Custom)
            printer.setPageSize(QPageSize(id));
    }
    if (mode.Has(DEVMODEW::DM_ORIENTATION)) {
        if (mode.dmOrientation == DEVMODEW::DMORIENT_LANDSCAPE)
            printer.setPageOrientation(QPageLayout::Landscape);
        else if (mode.dmOrientation == DEVMODEW::DMORIENT_PORTRAIT)
            printer.setPageOrientation(QPageLayout::Portrait);
    }
    if (mode.Has(DEVMODEW::DM_COPIES) && mode.dmCopies > 0)
        printer.setCopyCount(mode.dmCopies);
    if (mode.Has(DEVMODEW::DM_DEFAULTSOURCE)) {
        for (const SourcePair& pair : kSources) {
            if (pair.bin == mode.dmDefaultSource)
                printer.setPaperSource(pair.source);
        }
    }
    // Negative qualities are coarse draft/high settings with no number of
    // dots; the printer's own resolution stays then.
    if (mode.Has(DEVMODEW::DM_PRINTQUALITY) && mode.dmPrintQuality > 0)
        printer.setResolution(mode.dmPrintQuality);
    else if (mode.Has(DEVMODEW::DM_YRESOLUTION) && mode.dmYResolution > 0)
        printer.setResolution(mode.dmYResolution);
    if (mode.Has(DEVMODEW::DM_COLOR)) {
        if (mode.dmColor == DEVMODEW::DMCOLOR_COLOR)
            printer.setColorMode(QPrinter::Color);
        else if (mode.dmColor == DEVMODEW::DMCOLOR_MONOCHROME)
            printer.setColorMode(QPrinter::GrayScale);
    }
    if (mode.Has(DEVMODEW::DM_DUPLEX)) {
        switch (mode.dmDuplex) {
        case DEVMODEW::DMDUP_SIMPLEX:
            printer.setDuplex(QPrinter::DuplexNone);
            break;
        case DEVMODEW::DMDUP_VERTICAL:
            printer.setDuplex(QPrinter::DuplexLongSide);
            break;
        case DEVMODEW::DMDUP_HORIZONTAL:
            printer.setDuplex(QPrinter::DuplexShortSide);
            break;
        default:
            break;
        }
    }
    if (mode.Has(DEVMODEW::DM_COLLATE))
        printer.setCollateCopies(mode.dmCollate != 0);
}

bool ConfigurePrinter(QPrinter& printer, const PrintTarget& target, const QByteArray& devMode) {
    if (!target.IsConfigured())
        return false;
    std::optional<DEVMODEW> mode;
    if (!devMode.isNull()) {
        mode = DEVMODEW::FromBytes(devMode);
        if (!mode)
            return false;
    }
    if (!ApplyPrintTarget(printer, target))
        return false;
    if (mode)
        ApplyDevMode(printer, *mode);
    return true;
}

bool ConfigurePrinterFromBlocks(QPrinter& printer, const QByteArray& devMode,
                                const QByteArray& devNames) {
    return ConfigurePrinter(printer, PrintTarget::FromDevNames(devNames), devMode);
}

DEVMODEW DevModeFromPrinter(const QPrinter& printer) {
    DEVMODEW mode;
    mode.SetDeviceName(printer.outputFormat() == QPrinter::PdfFormat
                           ? QString::fromUtf16(kPdfDriverName)
                           : printer.printerName());
    mode.dmFields = DEVMODEW::DM_ORIENTATION | DEVMODEW::DM_COPIES | DEVMODEW::DM_PRINTQUALITY |
                    DEVMODEW::DM_YRESOLUTION | DEVMODEW::DM_COLOR | DEVMODEW::DM_DUPLEX |
                    DEVMODEW::DM_COLLATE;

    const QPageLayout layout = printer.pageLayout();
    mode.dmOrientation = layout.orientation() == QPageLayout::Landscape
                             ? DEVMODEW::DMORIENT_LANDSCAPE
                             : DEVMODEW::DMORIENT_PORTRAIT;
    const QPageSize size = layout.pageSize();
    const int windowsId = size.windowsId();
    if (size.id() != QPageSize::Custom && windowsId > 0 && windowsId < DEVMODEW::DMPAPER_USER) {
        mode.dmFields |= DEVMODEW::DM_PAPERSIZE;
        mode.dmPaperSize = static_cast<int16_t>(windowsId);
    } else {
        // Sizes without a paper code travel as their portrait dimensions.
        const QSizeF mm = size.size(QPageSize::Millimeter);
        mode.dmFields |=
            DEVMODEW::DM_PAPERSIZE | DEVMODEW::DM_PAPERWIDTH | DEVMODEW::DM_PAPERLENGTH;
        mode.dmPaperSize = DEVMODEW::DMPAPER_USER;
        mode.dmPaperWidth = TenthsOfMillimetre(mm.width());
        mode.dmPaperLength = TenthsOfMillimetre(mm.height());
    }
    mode.SetFormName(size.name());

    mode.dmCopies = static_cast<int16_t>(qBound(1, printer.copyCount(), int(INT16_MAX)));
    for (const SourcePair& pair : kSources) {
        if (pair.source == printer.paperSource()) {
            mode.dmFields |= DEVMODEW::DM_DEFAULTSOURCE;
            mode.dmDefaultSource = pair.bin;
        }
    }
    const auto dpi = static_cast<int16_t>(qBound(1, printer.resolution(), int(INT16_MAX)));
    mode.dmPrintQuality = dpi;
    mode.dmYResolution = dpi;
    mode.dmColor = printer.colorMode() == QPrinter::Color ? DEVMODEW::DMCOLOR_COLOR
                                                          : DEVMODEW::DMCOLOR_MONOCHROME;
    switch (printer.duplex()) {
    case QPrinter::DuplexNone:
        mode.dmDuplex = DEVMODEW::DMDUP_SIMPLEX;
        break;
    case QPrinter::DuplexShortSide:
        mode.dmDuplex = DEVMODEW::DMDUP_HORIZONTAL;
        break;
    case QPrinter::DuplexLongSide:
    case QPrinter::DuplexAuto:
        mode.dmDuplex = DEVMODEW::DMDUP_VERTICAL;
        break;
    }
    mode.dmCollate = printer.collateCopies() ? 1 : 0;
    return mode;
}

DEVNAMES DevNamesFromPrinter(const QPrinter& printer) {
    DEVNAMES names;
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        names.driver = QString::fromUtf16(kPdfDriverName);
        names.device = QString::fromUtf16(kPdfDriverName);
        names.output = printer.outputFileName();
    } else {
        names.driver = QString::fromUtf16(kSystemDriverName);
        names.device = printer.printerName();
        if (names.device == QPrinterInfo::defaultPrinterName())
            names.wDefault = DEVNAMES::DN_DEFAULTPRN;
    }
    return names;
}

PrinterBlocks BlocksFromPrinter(const QPrinter& printer) {
    return {DevModeFromPrinter(printer).ToBytes(), DevNamesFromPrinter(printer).ToBytes()};
}
