#include "cli/packedtexts.h"

#include <algorithm>

void CPackedTexts::Append(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const qsizetype start = m_ends.isEmpty() ? 0 : m_ends.back();
    if (m_blocks.isEmpty() || m_blocks.back().size() + bytes.size() > m_blocks.back().capacity()) {
        m_blocks.append(QByteArray());
        m_blocks.back().reserve(qMax(kBlockSize, bytes.size()));
        m_blockStarts.append(start);
    }
    m_blocks.back() += bytes;
    m_ends.append(start + bytes.size());
}

QString CPackedTexts::At(qsizetype i) const {
    const qsizetype start = i == 0 ? 0 : m_ends[i - 1];
    const qsizetype block = std::upper_bound(m_blockStarts.cbegin(), m_blockStarts.cend(), start) -
                            m_blockStarts.cbegin() - 1;
    return QString::fromUtf8(
        QByteArrayView(m_blocks[block]).sliced(start - m_blockStarts[block], m_ends[i] - start));
}
