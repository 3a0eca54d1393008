#include <QDir>
#include <QFile>
#include <QTest>
#include <QtEndian>

namespace {

// The header fields the program's wave reader looks at, in the file's order.
struct Header {
    QByteArray riff, wave, fmt;
    quint32 fmtSize = 0;
    quint16 format = 0, channels = 0, bits = 0;
    quint32 rate = 0;
    QByteArray dataId;
    quint32 dataSize = 0;
    qint64 fileSize = 0;
};

Header readHeader(const QString &path)
{
    QFile file(path);
    Header h;
    if (!file.open(QIODevice::ReadOnly))
        return h;
    const QByteArray b = file.read(44);
    h.fileSize = file.size();
    if (b.size() < 44)
        return h;
    const auto u16 = [&b](int at) { return qFromLittleEndian<quint16>(b.constData() + at); };
    const auto u32 = [&b](int at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    h.riff = b.mid(0, 4);
    h.wave = b.mid(8, 4);
    h.fmt = b.mid(12, 4);
    h.fmtSize = u32(16);
    h.format = u16(20);
    h.channels = u16(22);
    h.rate = u32(24);
    h.bits = u16(34);
    h.dataId = b.mid(36, 4);
    h.dataSize = u32(40);
    return h;
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
        QVERIFY2(QFileInfo(QDir(QString::fromLocal8Bit(bin)).filePath(QStringLiteral("help.txt")))
                         .size() > 1000,
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

        const Header h = readHeader(QDir(m_folder).filePath(name));
        QCOMPARE(h.riff, QByteArray("RIFF"));
        QCOMPARE(h.wave, QByteArray("WAVE"));
        QCOMPARE(h.fmt, QByteArray("fmt "));
        QCOMPARE(h.fmtSize, 16u);
        QCOMPARE(h.format, quint16(1));
        QCOMPARE(h.channels, quint16(1));
        QCOMPARE(h.rate, rate);
        QCOMPARE(h.bits, bits);
        QCOMPARE(h.dataId, QByteArray("data"));
        QCOMPARE(h.fileSize, qint64(44 + h.dataSize + h.dataSize % 2));

        // What the unit receives: two bytes per sample, plus the message's own 32 bytes.
        const qint64 unitBytes = qint64(h.dataSize) * (bits == 8 ? 2 : 1) + 32;
        constexpr qint64 locationBytes = 1048576;
        QCOMPARE(int((unitBytes + locationBytes - 1) / locationBytes), locations);
        QVERIFY(h.dataSize / (bits / 8) / rate >= 1);  // at least a second of sound
    }

private:
    QString m_folder;
};

QTEST_GUILESS_MAIN(tst_samplewaves)
#include "tst_samplewaves.moc"
