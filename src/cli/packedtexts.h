#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Texts packed end to end as UTF-8, in blocks that never move: 100,000
// addresses take a few MB, where as strings of their own they would take
// several times that. Texts read from a contacts file are whole UTF-16 and
// come back unchanged.
class CPackedTexts {
public:
    void Append(const QString& text);
    qsizetype Size() const { return m_ends.size(); }
    QString At(qsizetype i) const;

private:
    static constexpr qsizetype kBlockSize = 1 << 20;
    // Each text lies in one block. Offsets count the blocks' bytes as if
    // they were one run: where each block starts, where each text ends.
    QList<QByteArray> m_blocks;
    QList<qsizetype> m_blockStarts;
    QList<qsizetype> m_ends;
};
