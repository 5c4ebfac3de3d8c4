#include "platform/rtl/Streams.h"
#include "tests/rtl/RaisedMessage.h"
#include "tests/rtl/TestFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>

namespace {

std::string Contents(TMemoryStream& stream) {
    return std::string(static_cast<const char*>(stream.Memory()),
                       static_cast<std::size_t>(stream.Size()));
}

} // namespace

TEST(StreamsMemory, ReadWriteAndSeekOrigins) {
    TMemoryStream stream;
    stream.WriteBuffer("hello world", 11);
    EXPECT_EQ(stream.Size(), 11);
    EXPECT_EQ(stream.Position(), 11);
    EXPECT_EQ(stream.Seek(-5, soFromEnd), 6);
    char buffer[8] = {};
    EXPECT_EQ(stream.Read(buffer, 8), 5);
    EXPECT_EQ(std::string(buffer, 5), "world");
    EXPECT_EQ(stream.Read(buffer, 8), 0);
    EXPECT_EQ(stream.Seek(2, soFromBeginning), 2);
    EXPECT_EQ(stream.Seek(2, soFromCurrent), 4);
    EXPECT_EQ(stream.Seek(-1, soFromCurrent), 3);
    // A move before the start, or an unknown origin, leaves the position.
    EXPECT_EQ(stream.Seek(-4, soFromCurrent), 3);
    EXPECT_EQ(stream.Seek(-12, soFromEnd), 3);
    EXPECT_EQ(stream.Seek(0, 7), 3);
    EXPECT_EQ(stream.Seek(std::numeric_limits<Int64>::max(), soFromEnd), 3);
    // Writing past the end fills the gap with zeros.
    stream.SetPosition(13);
    stream.WriteBuffer("!", 1);
    EXPECT_EQ(Contents(stream), std::string("hello world\0\0!", 14));
    stream.SetSize(5);
    EXPECT_EQ(stream.Position(), 5);
    EXPECT_EQ(Contents(stream), "hello");
    stream.Clear();
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Position(), 0);
}

TEST(StreamsMemory, ShortTransfersRaise) {
    TMemoryStream stream;
    stream.WriteBuffer("abc", 3);
    stream.SetPosition(1);
    char buffer[4];
    EXPECT_EQ(RaisedMessage<EReadError>([&] { stream.ReadBuffer(buffer, 3); }),
              "Stream read error");
    stream.SetPosition(0);
    stream.ReadBuffer(buffer, 3);
    stream.ReadBuffer(buffer, 0);
    EXPECT_EQ(stream.Read(buffer, -1), 0);
    EXPECT_EQ(stream.Write(buffer, -1), 0);
    // A short write: a file open for reading takes nothing.
    TTestFolder folder;
    const std::string name = folder / "ro.bin";
    TFileStream(name, fmCreate).WriteBuffer("x", 1);
    TFileStream readOnly(name, fmOpenRead);
    EXPECT_EQ(RaisedMessage<EWriteError>([&] { readOnly.WriteBuffer("y", 1); }),
              "Stream write error");
}

TEST(StreamsMemory, CopyFromWholeSourceOrPart) {
    TMemoryStream source;
    source.WriteBuffer("0123456789", 10);
    TMemoryStream target;
    source.SetPosition(7);
    EXPECT_EQ(target.CopyFrom(source, 0), 10); // 0: everything, from the start
    EXPECT_EQ(Contents(target), "0123456789");
    source.SetPosition(2);
    EXPECT_EQ(target.CopyFrom(source, 3), 3);
    EXPECT_EQ(Contents(target), "0123456789234");
    EXPECT_EQ(source.Position(), 5);
    EXPECT_THROW(target.CopyFrom(source, 6), EReadError);
    EXPECT_THROW(target.CopyFrom(source, -1), EReadError);
    // Larger than the copy buffer.
    TMemoryStream big;
    big.SetSize(200000);
    static_cast<Byte*>(big.Memory())[199999] = 7;
    TMemoryStream copy;
    EXPECT_EQ(copy.CopyFrom(big, 0), 200000);
    EXPECT_EQ(static_cast<Byte*>(copy.Memory())[199999], 7);
}

TEST(StreamsFile, CreateWriteReopenAndResize) {
    TTestFolder folder;
    const std::string name = folder / "data.bin";
    {
        TFileStream out(name, fmCreate | fmShareExclusive);
        out.WriteBuffer("abcdef", 6);
        EXPECT_EQ(out.Size(), 6);
        out.SetPosition(2);
        char two[2];
        out.ReadBuffer(two, 2); // fmCreate opens for reading too
        EXPECT_EQ(std::string(two, 2), "cd");
    }
    {
        TFileStream io(name, fmOpenReadWrite | fmShareDenyNone);
        EXPECT_EQ(io.Size(), 6);
        EXPECT_EQ(io.Seek(-2, soFromEnd), 4);
        io.WriteBuffer("XYZ", 3);
        EXPECT_EQ(io.Size(), 7);
        EXPECT_EQ(io.Seek(-100, soFromCurrent), 7);
        io.SetSize(3);
        EXPECT_EQ(io.Position(), 3);
        EXPECT_EQ(io.FileName(), name);
    }
    TFileStream in(name, fmOpenRead | fmShareDenyWrite);
    char buffer[8] = {};
    EXPECT_EQ(in.Read(buffer, 8), 3);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_THROW(in.ReadBuffer(buffer, 1), EReadError);
    // Creating again empties the file.
    TFileStream again(name, fmCreate);
    EXPECT_EQ(again.Size(), 0);
}

TEST(StreamsFile, CreateAndOpenErrors) {
    TTestFolder folder;
    const std::string missing = folder / "missing.bin";
    EXPECT_EQ(RaisedMessage<EFOpenError>([&] { TFileStream s(missing, fmOpenRead); }),
              "Cannot open file " + missing);
    EXPECT_EQ(RaisedMessage<EFOpenError>([&] { TFileStream s(missing, fmOpenReadWrite); }),
              "Cannot open file " + missing);
    const std::string nowhere = folder / "no/such/folder.bin";
    EXPECT_EQ(RaisedMessage<EFCreateError>([&] { TFileStream s(nowhere, fmCreate); }),
              "Cannot create file " + nowhere);
    const std::string dir = folder / "";
    EXPECT_THROW(TFileStream(dir, fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream(dir, fmCreate), EFCreateError);
    TFileStream(missing, fmCreate);
    EXPECT_THROW(TFileStream(missing, 3), EFOpenError); // no such open mode
    // Both errors are stream errors.
    EXPECT_THROW(TFileStream(nowhere, fmOpenWrite), EStreamError);
}

TEST(StreamsFile, MemoryStreamAndStringListThroughFiles) {
    TTestFolder folder;
    const std::string name = folder / "lines.txt";
    TStringList lines;
    lines.SetText("first\nsecond");
    lines.SaveToFile(name);
    TMemoryStream memory;
    memory.LoadFromFile(name);
    EXPECT_EQ(Contents(memory), "first\r\nsecond\r\n");
    memory.SetPosition(0);
    memory.WriteBuffer("F", 1);
    memory.SaveToFile(name);
    TStringList back;
    back.LoadFromFile(name);
    EXPECT_EQ(back.Text(), "First\r\nsecond\r\n");
    // Loading a string list reads from the stream's position.
    memory.SetPosition(7);
    back.LoadFromStream(memory);
    EXPECT_EQ(back.Count(), 1);
    EXPECT_EQ(back[0], "second");
    EXPECT_THROW(back.LoadFromFile(folder / "none.txt"), EFOpenError);
}

TEST(StreamsLittleEndian, BufferLayoutAndBounds) {
    std::array<Byte, 16> bytes{};
    PutLE<std::uint32_t>(bytes, 0, 0x12345678u);
    EXPECT_EQ(bytes[0], 0x78);
    EXPECT_EQ(bytes[3], 0x12);
    PutLE<SmallInt>(bytes, 4, -2);
    EXPECT_EQ(bytes[4], 0xFE);
    EXPECT_EQ(bytes[5], 0xFF);
    EXPECT_EQ(GetLE<SmallInt>(bytes, 4), -2);
    EXPECT_EQ(GetLE<Word>(bytes, 4), 0xFFFE);
    PutLE<Int64>(bytes, 8, -1234567890123LL);
    EXPECT_EQ(GetLE<Int64>(bytes, 8), -1234567890123LL);
    EXPECT_EQ(GetLE<LongInt>(bytes, 0), 0x12345678);
    EXPECT_EQ(GetLE<Byte>(bytes, 15), bytes[15]);
    EXPECT_EQ(RaisedMessage<EReadError>([&] { GetLE<LongInt>(bytes, 13); }), "Stream read error");
    EXPECT_THROW(GetLE<Byte>(bytes, 16), EReadError);
    EXPECT_THROW(GetLE<Byte>(bytes, std::numeric_limits<std::size_t>::max()), EReadError);
    EXPECT_EQ(RaisedMessage<EWriteError>([&] { PutLE<double>(bytes, 9, 1.0); }),
              "Stream write error");
    PutLE<float>(bytes, 0, 1.0f);
    EXPECT_EQ(GetLE<std::uint32_t>(bytes, 0), 0x3F800000u);
    PutLE<double>(bytes, 8, -2.5);
    EXPECT_EQ(GetLE<std::uint64_t>(bytes, 8), 0xC004000000000000ull);
    EXPECT_EQ(GetLE<double>(bytes, 8), -2.5);
}

TEST(StreamsLittleEndian, StreamRoundTripAndShortData) {
    TMemoryStream stream;
    WriteLE<Byte>(stream, 0xAB);
    WriteLE<ShortInt>(stream, -5);
    WriteLE<Word>(stream, 0xBEEF);
    WriteLE<LongInt>(stream, -100000);
    WriteLE<Cardinal>(stream, 0xFFFFFFFFu);
    WriteLE<Int64>(stream, std::numeric_limits<Int64>::min());
    WriteLE<float>(stream, 3.25f);
    WriteLE<double>(stream, 1e300);
    EXPECT_EQ(stream.Size(), 1 + 1 + 2 + 4 + 4 + 8 + 4 + 8);
    EXPECT_EQ(static_cast<const Byte*>(stream.Memory())[2], 0xEF);
    stream.SetPosition(0);
    EXPECT_EQ(ReadLE<Byte>(stream), 0xAB);
    EXPECT_EQ(ReadLE<ShortInt>(stream), -5);
    EXPECT_EQ(ReadLE<Word>(stream), 0xBEEF);
    EXPECT_EQ(ReadLE<LongInt>(stream), -100000);
    EXPECT_EQ(ReadLE<Cardinal>(stream), 0xFFFFFFFFu);
    EXPECT_EQ(ReadLE<Int64>(stream), std::numeric_limits<Int64>::min());
    EXPECT_EQ(ReadLE<float>(stream), 3.25f);
    EXPECT_EQ(ReadLE<double>(stream), 1e300);
    EXPECT_THROW(ReadLE<Byte>(stream), EReadError);
    stream.Seek(-3, soFromEnd);
    EXPECT_THROW(ReadLE<LongInt>(stream), EReadError);
}
