// SPDX-FileCopyrightText: 2026 The Kelvane developers
// SPDX-License-Identifier: MIT

#ifndef KELVANE_TESTS_TESTDEVICES_H
#define KELVANE_TESTS_TESTDEVICES_H

// Devices for tests of code that takes ownership of a device or has to cope
// with failing reads, writes and seeks.

#include <QtCore/QBuffer>

#include <limits>

// A QBuffer over its own copy of the bytes that counts its destruction in a
// counter owned by the test, so that the test can tell whether (and how
// often) the code under test deleted it.
class CountingBuffer : public QBuffer
{
public:
    explicit CountingBuffer(const QByteArray &bytes, int *destroyed = nullptr);
    ~CountingBuffer() override;

private:
    int *m_destroyed;
};

// A CountingBuffer with injected faults:
// - refuseOpen(): open() fails;
// - failSeek(n): the n-th call of seek() (counting from 0) fails;
// - failSeekTo(pos): every seek to pos fails;
// - failReadsIn(from, to): reading a byte in [from, to) fails (readData
//   returns -1 there); a read that begins before from stops short at from;
//   failReadsFrom(pos) is failReadsIn(pos, end of device);
// - limitWrites(n): writing stops after n bytes in total (short writes);
//   the write that fails sets the error string writeFailureText.
class FaultyBuffer : public CountingBuffer
{
public:
    explicit FaultyBuffer(const QByteArray &bytes = QByteArray(), int *destroyed = nullptr);

    void refuseOpen() { m_refuseOpen = true; }
    void failSeek(int callIndex) { m_failSeekCall = callIndex; }
    void failSeekTo(qint64 position) { m_failSeekTo = position; }
    void failReadsIn(qint64 from, qint64 to)
    {
        m_failReadsFrom = from;
        m_failReadsTo = to;
    }
    void failReadsFrom(qint64 position) { failReadsIn(position, std::numeric_limits<qint64>::max()); }
    void limitWrites(qint64 total) { m_writeLimit = total; }

    int seekCalls() const { return m_seekCalls; }

    bool open(OpenMode mode) override;
    bool seek(qint64 position) override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    bool m_refuseOpen = false;
    int m_failSeekCall = -1;
    qint64 m_failSeekTo = -1;
    qint64 m_failReadsFrom = -1;
    qint64 m_failReadsTo = -1;
    qint64 m_writeLimit = -1;
    qint64 m_written = 0;
    int m_seekCalls = 0;
};

// The error string of a write that a test device refuses.
inline const char *writeFailureText()
{
    return "injected write failure";
}

// A write-only device that cannot seek, like a pipe, open from the start: it
// appends what it receives to target (owned by the test, so that it outlives
// a sink that the code under test deletes) or to data().
// limitWrites(n) refuses every byte after the n-th, with the error string
// writeFailureText().
class StreamSink : public QIODevice
{
public:
    explicit StreamSink(QByteArray *target = nullptr);

    void limitWrites(qint64 total) { m_writeLimit = total; }
    const QByteArray &data() const { return *m_target; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    QByteArray m_data;
    QByteArray *m_target;
    qint64 m_writeLimit = -1;
};

// A write-only device that compares what it receives with what it reads
// from another device, so that big outputs need not be kept: it notes the
// offset of the first byte that differs (or lies past the other's end).
class ComparingDevice : public QIODevice
{
public:
    explicit ComparingDevice(QIODevice *expected);

    qint64 bytesCompared() const { return m_compared; }
    // -1 while everything matched.
    qint64 firstDifference() const { return m_firstDifference; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    QIODevice *m_expected;
    qint64 m_compared = 0;
    qint64 m_firstDifference = -1;
};

#endif // KELVANE_TESTS_TESTDEVICES_H
