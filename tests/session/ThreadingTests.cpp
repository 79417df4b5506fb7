// The pipes, the writer thread and the listener thread, without the main window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/Application.h"
#include "session/Threading.h"
#include "tests/session/ListenerSink.h"

namespace {

bool Inheritable(HANDLE h) {
  DWORD flags = 0;
  EXPECT_TRUE(::GetHandleInformation(h, &flags));
  return (flags & HANDLE_FLAG_INHERIT) != 0;
}

TEST(PipeTest, OnlyTheChildsEndsAreInheritable) {
  cPipe output(cPipe::tOwnEnd::Read);
  EXPECT_FALSE(Inheritable(output.ReadHandle()));
  EXPECT_TRUE(Inheritable(output.WriteHandle()));
  cWritePipe input;
  EXPECT_TRUE(Inheritable(input.ReadHandle()));
}

void Write(HANDLE pipe, std::string_view bytes) {
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

bool RunUntil(const std::function<bool()>& done, DWORD ms = 5000) { return gui::cApplication::RunUntil(done, ms); }

// A pipe whose listener hands what it reads to a sink of the test.
class ListenerTest : public ::testing::Test {
protected:
  cPipe pipe{cPipe::tOwnEnd::Read};
  cSink sink;
  cListenerThread listener{pipe.ReadHandle(), sink};
};

TEST_F(ListenerTest, HandsOverChunksInOrderOnlyOnceResumed) {
  Write(pipe.WriteHandle(), "one,");
  RunUntil([] { return false; }, 100);
  EXPECT_EQ(sink.data, "");  // created suspended
  listener.Resume();
  EXPECT_TRUE(RunUntil([&] { return sink.data == "one,"; }));
  Write(pipe.WriteHandle(), "two");
  EXPECT_TRUE(RunUntil([&] { return sink.data == "one,two"; }));
  EXPECT_TRUE(listener.Stop(2000));
}

TEST_F(ListenerTest, AHeldListenerWaitsForRelease) {
  sink.hold = true;
  listener.Resume();
  Write(pipe.WriteHandle(), "a");
  ASSERT_TRUE(RunUntil([&] { return sink.data == "a"; }));
  Write(pipe.WriteHandle(), "b");
  RunUntil([] { return false; }, 200);
  EXPECT_EQ(sink.data, "a");
  listener.Release();
  EXPECT_TRUE(RunUntil([&] { return sink.data == "ab"; }));
}

TEST_F(ListenerTest, EmptyWriteIsNotTheEnd) {
  listener.Resume();
  Write(pipe.WriteHandle(), "");
  Write(pipe.WriteHandle(), "x");
  EXPECT_TRUE(RunUntil([&] { return sink.data == "x"; }));
  EXPECT_EQ(sink.ends, 0);
}

TEST_F(ListenerTest, BrokenPipeEndsTheListener) {
  listener.Resume();
  pipe.CloseWriteHandle();
  EXPECT_TRUE(RunUntil([&] { return sink.ends == 1; }));
}

// Seen under Wine 8: CancelSynchronousIo ends a ReadFile blocked on an anonymous pipe, as on
// Windows. The write end stays open here, so nothing else could end the read.
TEST_F(ListenerTest, StopEndsABlockedReadWithoutWaitingForData) {
  listener.Resume();
  RunUntil([] { return false; }, 100);
  ULONGLONG start = ::GetTickCount64();
  EXPECT_TRUE(listener.Stop(2000));
  EXPECT_LT(::GetTickCount64() - start, 1000u);
  EXPECT_EQ(sink.ends, 0);
}

TEST_F(ListenerTest, StopOfAListenerThatNeverRan) { EXPECT_TRUE(listener.Stop(2000)); }

// A chunk that waits for the owner while the listener is being stopped never reaches it.
TEST_F(ListenerTest, NothingIsHandedOverOnceStopping) {
  listener.Resume();
  Write(pipe.WriteHandle(), "late");
  ::Sleep(200);  // the listener has read the chunk and waits for this thread to take it
  EXPECT_TRUE(listener.Stop(2000));
  EXPECT_EQ(sink.data, "");
}

std::string ReadAll(HANDLE pipe, size_t count) {
  std::string bytes;
  std::vector<char> buffer(65536);
  while (bytes.size() < count) {
    DWORD read = 0;
    if (!::ReadFile(pipe, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) || read == 0) break;
    bytes.append(buffer.data(), read);
  }
  return bytes;
}

TEST(WritePipeTest, WritesInOrderInTheChosenEncoding) {
  cWritePipe pipe;
  pipe.SetEncoding(peUTF16BE);
  pipe.WriteText(L"AB");
  pipe.SetEncoding(peUTF8);
  pipe.WriteText(L"\u20ac");
  EXPECT_EQ(ReadAll(pipe.ReadHandle(), 7), std::string("\0A\0B\xE2\x82\xAC", 7));
}

TEST(WritePipeTest, WritingNeverBlocksTheCallerAndStopIsBounded) {
  // Nobody reads this pipe: 100 commands of 10 KB fill it long before the end.
  cWritePipe pipe;
  pipe.SetEncoding(peANSI);
  std::wstring command(10 * 1024, L'x');
  ULONGLONG start = ::GetTickCount64();
  for (int i = 0; i < 100; ++i) pipe.WriteText(command);
  EXPECT_LT(::GetTickCount64() - start, 2000u);
  EXPECT_TRUE(pipe.Stop(2000));
}

TEST(WritePipeTest, AWriteNobodyReadsIsToldThenAndAfter) {
  cWritePipe pipe;
  pipe.CloseReadHandle();
  EXPECT_EQ(pipe.WriteText(L"a", 5000), tWriteResult::InputClosed);
  EXPECT_EQ(pipe.WriteText(L"b"), tWriteResult::InputClosed);
}

TEST(WritePipeTest, ALargeTextArrivesWhole) {
  cWritePipe pipe;
  pipe.SetEncoding(peUTF16LE);
  std::wstring text(200000, L'\u0416');
  pipe.WriteText(text);
  std::string bytes = ReadAll(pipe.ReadHandle(), text.size() * 2);
  ASSERT_EQ(bytes.size(), text.size() * 2);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\x16\x04\x16\x04", 4));
}

}  // namespace
