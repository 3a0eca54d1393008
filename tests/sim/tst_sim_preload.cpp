#include "Preload.h"
#include "WaveFile.h"

#include <QTest>

#include <algorithm>
#include <cstdlib>

// The messages a simulated unit can be started with.
class tst_sim_preload : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("location"); // -1: refused
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("audioBytes");
        QTest::newRow("plain") << QStringLiteral("1:Lobby:8000:3.0") << 0
                               << QByteArray("Lobby           ") << 48000;
        QTest::newRow("colon in the name")
            << QStringLiteral("8:a:b:11025:0.5") << 7 << QByteArray("a:b             ") << 11026;
        QTest::newRow("long name is cut") << QStringLiteral("2:Main entrance hall:8000:1") << 1
                                          << QByteArray("Main entrance ha") << 16000;
        QTest::newRow("location 0") << QStringLiteral("0:x:8000:1") << -1 << QByteArray() << 0;
        QTest::newRow("location 9") << QStringLiteral("9:x:8000:1") << -1 << QByteArray() << 0;
        QTest::newRow("three fields") << QStringLiteral("1:x:8000") << -1 << QByteArray() << 0;
        QTest::newRow("no seconds") << QStringLiteral("1:x:8000:0") << -1 << QByteArray() << 0;
        QTest::newRow("rate text") << QStringLiteral("1:x:fast:1") << -1 << QByteArray() << 0;
        // One location less the overhead is 524272 words.
        QTest::newRow("just fills location 8")
            << QStringLiteral("8:x:8000:65.534") << 7 << QByteArray("x               ") << 1048544;
        QTest::newRow("one word too many for 8")
            << QStringLiteral("8:x:8000:65.535") << -1 << QByteArray() << 0;
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(int, location);
        QFETCH(QByteArray, name);
        QFETCH(int, audioBytes);
        QString problem;
        const auto preload = Preload::parse(text, &problem);
        QCOMPARE(preload ? preload->location : -1, location);
        QCOMPARE(problem.isEmpty(), location >= 0);
        if (!preload)
            return;
        QCOMPARE(preload->message.name, name);
        QCOMPARE(preload->message.audio.size(), audioBytes);
    }

    // A preloaded tone is stored in the words an upload brings, so it reads back as the tone:
    // silence at its start, peaks of the tone's amplitude.
    void toneIsStoredAsUploadedWords()
    {
        const QByteArray samples = WaveFile::fromUnitAudio(Preload::tone(8000, 0.01), 8000).data;
        QCOMPARE(samples.size(), 160);
        const auto sample = [&samples](qsizetype i) {
            return qint16(quint8(samples.at(2 * i)) | quint8(samples.at(2 * i + 1)) << 8);
        };
        QCOMPARE(sample(0), qint16(0));
        int peak = 0;
        for (qsizetype i = 0; i < samples.size() / 2; ++i)
            peak = std::max(peak, std::abs(int(sample(i))));
        QCOMPARE(peak, 8000);
    }
};

QTEST_GUILESS_MAIN(tst_sim_preload)
#include "tst_sim_preload.moc"
