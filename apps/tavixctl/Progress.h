#pragma once

#include <QElapsedTimer>
#include <QString>

// The bar of a terminal, drawn over one line: the share done, bytes, rate and time left.
// `elapsedMs` is the time since the first byte went; no rate or time left before any came back.
QString progressBar(qint64 sent, qint64 total, qint64 elapsedMs);

// How an upload shows its progress: a bar redrawn in place on a terminal, otherwise a plain
// line at every tenth of the way, so a log keeps a few lines, not thousands.
class Progress {
public:
    Progress(bool terminal, qint64 total);

    void update(qint64 sent);
    // The last drawing is left as it is; a bar gets its line end.
    void finish();

private:
    bool m_terminal;
    qint64 m_total;
    QElapsedTimer m_clock;
    qint64 m_lastDrawnMs = -1;
    int m_tenthsShown = -1;
};
