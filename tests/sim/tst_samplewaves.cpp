#include <QDir>
#include <QFile>
#include <QTest>
#include <QtEndian>

namespace {

QByteArray le(quint32 value, int bytes)
{
    QByteArray out(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        out[i] = char(value >> (8 * i));
    return out;
}

}  // namespace

// The sample wave files made at build time: plain wave files the Update command accepts, with
// names that make distinct messages, and one that needs two memory locations.
class tst_samplewaves : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        const QByteArray bin = qgetenv("TAVIX_BIN_DIR");
        if (bin.isEmpty())
            QSKIP("TAVIX_BIN_DIR is not set; run through ctest");
        m_folder = QDir(QString::fromLocal8Bit(bin)).filePath(QStringLiteral("wavefiles"));
        QVERIFY2(QFileInfo(QDir(QString::fromLocal8Bit(bin)).filePath(QStringLiteral("help.txt"))).size() > 1000,
                 "help.txt is not beside the program");
    }

    void acceptedByTheReader_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint32>("rate");
        QTest::addColumn<quint16>("bits");
        QTest::addColumn<int>("locations");
        QTest::newRow("chime 8 bit") << QStringLiteral("chime-8bit.wav") << 11025u << quint16(8) << 1;
        QTest::newRow("chime 16 bit") << QStringLiteral("chime-16bit.wav") << 11025u << quint16(16) << 1;
        QTest::newRow("chime 44.1 kHz") << QStringLiteral("chime-44khz.wav") << 44100u << quint16(16) << 1;
        QTest::newRow("tones 8 bit") << QStringLiteral("tones-8bit.wav") << 11025u << quint16(8) << 1;
        QTest::newRow("tones 16 bit") << QStringLiteral("tones-16bit.wav") << 11025u << quint16(16) << 1;
        QTest::newRow("two locations") << QStringLiteral("two-locations.wav") << 22050u << quint16(16) << 2;
    }
    void acceptedByTheReader()
    {
        QFETCH(QString, name);
        QFETCH(quint32, rate);
        QFETCH(quint16, bits);
        QFETCH(int, locations);

        // The message name is the file name before ".wav", at most 16 characters.
        QVERIFY(name.endsWith(u".wav"));
        QVERIFY(name.size() - 4 <= 16);

        QFile file(QDir(m_folder).filePath(name));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const QByteArray header = file.read(44);
        QCOMPARE(header.size(), 44);
        const quint32 dataSize = qFromLittleEndian<quint32>(header.constData() + 40);
        QCOMPARE(file.size(), qint64(44 + dataSize + dataSize % 2));
        // A plain 44-byte header: PCM, mono, the data chunk right after fmt.
        const quint16 frameBytes = bits / 8;
        QCOMPARE(header, "RIFF" + le(quint32(file.size() - 8), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2)
                             + le(rate, 4) + le(rate * frameBytes, 4) + le(frameBytes, 2) + le(bits, 2) + "data"
                             + le(dataSize, 4));

        // What the unit receives: two bytes per sample, plus the message's own 32 bytes.
        const qint64 unitBytes = qint64(dataSize) * (bits == 8 ? 2 : 1) + 32;
        constexpr qint64 locationBytes = 1048576;
        QCOMPARE(int((unitBytes + locationBytes - 1) / locationBytes), locations);
        QVERIFY(dataSize / frameBytes / rate >= 1);  // at least a second of sound
    }

private:
    QString m_folder;
};

QTEST_GUILESS_MAIN(tst_samplewaves)
#include "tst_samplewaves.moc"
