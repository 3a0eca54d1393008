#include "Progress.h"

#include "Console.h"

namespace {

constexpr int BarWidth = 30; // characters
// A bar redrawn more often than this only costs the terminal time.
constexpr qint64 RedrawEveryMs = 100;

QString minutesAndSeconds(qint64 seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

QString progressBar(qint64 sent, qint64 total, qint64 elapsedMs)
{
    const double share = total > 0 ? qBound(0.0, double(sent) / double(total), 1.0) : 1.0;
    const auto filled = static_cast<int>(share * BarWidth);
    QString text
        = QStringLiteral("[%1%2] %3% %4/%5 bytes")
              .arg(QString(filled, QLatin1Char('#')), QString(BarWidth - filled, QLatin1Char('.')))
              .arg(static_cast<int>(share * 100), 3)
              .arg(sent)
              .arg(total);
    if (sent <= 0 || elapsedMs <= 0)
        return text;
    const double bytesPerSecond = double(sent) * 1000.0 / double(elapsedMs);
    const auto left = static_cast<qint64>(double(total - sent) / bytesPerSecond + 0.5);
    return text
        + QStringLiteral("  %1 kB/s  %2 left")
              .arg(bytesPerSecond / 1000.0, 0, 'f', 1)
              .arg(minutesAndSeconds(left));
}

Progress::Progress(bool terminal, qint64 total)
    : m_terminal(terminal)
    , m_total(total)
{
    m_clock.start();
}

void Progress::update(qint64 sent)
{
    if (m_terminal) {
        const qint64 now = m_clock.elapsed();
        if (m_lastDrawnMs >= 0 && now - m_lastDrawnMs < RedrawEveryMs && sent < m_total)
            return;
        m_lastDrawnMs = now;
        Console::redraw(progressBar(sent, m_total, now));
        return;
    }
    const int tenths = m_total > 0 ? static_cast<int>(sent * 10 / m_total) : 10;
    if (tenths <= m_tenthsShown)
        return;
    m_tenthsShown = tenths;
    Console::out(
        QStringLiteral("loading: %1% (%2 of %3 bytes)").arg(tenths * 10).arg(sent).arg(m_total));
}

void Progress::finish()
{
    if (m_terminal && m_lastDrawnMs >= 0)
        Console::endRedrawn();
}
