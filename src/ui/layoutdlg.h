#pragma once

#include "print/blockplacement.h"
#include "print/envelopejob.h"
#include "print/papersizes.h"

#include <QDialog>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;

// The envelope of one size with the job's blocks where they would print and
// the area the post's machines read, for the Layout dialog.
class CLayoutPicture : public QWidget {
    Q_OBJECT

public:
    explicit CLayoutPicture(QWidget* parent = nullptr);

    // job: its texts and fonts; the blocks are placed as placement says on
    // an envelope of this size fed as the page.
    void Show(const EnvelopeJob& job, const PaperSize& size, const BlockPlacement& placement);
    // The picture at about wantedDpi pixels an inch, as it is drawn.
    QImage Render(double wantedDpi) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    EnvelopeJob m_job;
    const PaperSize* m_size = nullptr;
};

// Layout: for each envelope size, where the return and the mailing address
// start (from the envelope's left and top edges, in the size's own unit),
// placed for the post with one button or back to the standard placement.
class CLayoutDlg : public QDialog {
    Q_OBJECT

public:
    // job: the window's texts and fonts; size: the envelope shown first.
    CLayoutDlg(const EnvelopeJob& job, const PaperSize& size, const BlockPlacements& stored,
               QWidget* parent = nullptr);

    // Every size's placement as the dialog leaves it; a size placed as
    // standard has none.
    BlockPlacements Placements() const;

private:
    // The parts of the dialog, each with its own connections.
    QGridLayout* MakeStartBoxes();
    QHBoxLayout* MakePlacementButtons();
    QDialogButtonBox* MakeButtons();
    void LayOut(QGridLayout* starts, QHBoxLayout* actions, QDialogButtonBox* buttons);
    // The boxes' changes taken and shown, once the first size is shown.
    void ConnectBoxes();

    const PaperSize& Size() const;
    // The shown size's boxes into the placements, and back.
    void TakeBoxes();
    void ShowSize();
    void ShowPicture();

    EnvelopeJob m_job;
    BlockPlacements m_placements;
    const PaperSize* m_shown = nullptr;
    bool m_filling = false;
    QComboBox* m_size = nullptr;
    QCheckBox* m_returnPlaced = nullptr;
    QDoubleSpinBox* m_returnX = nullptr;
    QDoubleSpinBox* m_returnY = nullptr;
    QCheckBox* m_mailingPlaced = nullptr;
    QDoubleSpinBox* m_mailingX = nullptr;
    QDoubleSpinBox* m_mailingY = nullptr;
    QLabel* m_rules = nullptr;
    CLayoutPicture* m_picture = nullptr;
};
