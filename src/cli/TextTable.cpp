#include "cli/TextTable.h"

TextTable::TextTable(const QStringList &headers, const QList<Align> &aligns)
    : m_headers(headers)
    , m_aligns(aligns)
{
    while (m_aligns.size() < m_headers.size())
        m_aligns.append(Align::left);
}

void TextTable::addRow(const QStringList &cells, Terminal::Colour colour)
{
    m_rows.append({cells, colour});
}

QString TextTable::text() const
{
    QList<qsizetype> widths;
    for (const QString &header : m_headers)
        widths.append(header.size());
    for (const Row &row : m_rows) {
        for (qsizetype c = 0; c < row.cells.size() && c < widths.size(); ++c)
            widths[c] = std::max(widths.at(c), row.cells.at(c).size());
    }
    const auto line = [&](const QStringList &cells) {
        QStringList padded;
        for (qsizetype c = 0; c < cells.size(); ++c) {
            const bool last = c + 1 == cells.size();
            if (m_aligns.value(c) == Align::right)
                padded.append(cells.at(c).rightJustified(widths.value(c)));
            else
                padded.append(last ? cells.at(c) : cells.at(c).leftJustified(widths.value(c)));
        }
        return padded.join(QStringLiteral("  "));
    };
    QString text = Terminal::paint(line(m_headers), Terminal::Colour::bold) + QLatin1Char('\n');
    for (const Row &row : m_rows)
        text += Terminal::paint(line(row.cells), row.colour) + QLatin1Char('\n');
    return text;
}
