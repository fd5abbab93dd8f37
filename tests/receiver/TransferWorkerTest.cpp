// The transfer worker against an in-process receiver that records every frame.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "FakeReceiver.h"
#include "RecordingUi.h"
#include "link/Link.h"
#include "receiver/Rx.h"
#include "receiver/TransferWorker.h"

namespace ravlin {
namespace {

using test::TFakeReceiver;
using test::TRecorded;
using test::TRecordingUi;

TTextTable Texts() {
    TTextTable t;
    for (int i = 0; i < 200; ++i) t.push_back("T" + std::to_string(i));
    return t;
}

// Calls `onProgress` from the worker at every progress value.
class THookUi : public TRecordingUi {
  public:
    std::function<void(int)> onProgress;
    void Progress(int position, int maximum) override {
        TRecordingUi::Progress(position, maximum);
        if (onProgress) onProgress(position);
    }
};

class TransferWorkerTest : public ::testing::Test {
  protected:
    void Connect(bool dumpRead, int byteTimeoutMs = 150) {
        fake.Start();
        link.Settings.ConnectionType = TConnectionSettings::Tcp;
        link.Settings.IPAddress = "127.0.0.1";
        link.Settings.IPPort = fake.Port();
        link.Settings.DumpRead = dumpRead;
        link.SetTimingForTests(byteTimeoutMs, 5);
        ASSERT_TRUE(link.Open());
    }
    // A record area of `bytes` bytes from 0x0100, records of 8 bytes (16 digits).
    void Device(int bytes, int blockSize = 64) {
        rx.Device.StartAddress = 0x0100;
        rx.Device.EndAddress = 0x0100 + bytes - 1;
        rx.Device.EmptyTemplate = "0000000000000000";
        rx.Device.ErasedRecord = std::string(16, 'F');
        rx.Device.BlockSize = blockSize;
        rx.Device.RecordCount = bytes / 8;
        rx.Device.UsedCount = bytes / 8;
        fake.blockSize = blockSize;
    }
    void Fill(int from, int to) {
        for (int a = from; a <= to; ++a) fake.memory[a] = static_cast<uint8_t>(a * 7 + 3);
    }
    std::string MemoryHex() {
        return TFakeReceiver::Hex(fake.Memory(), rx.Device.StartAddress, rx.Device.EndAddress);
    }

    TTextTable texts = Texts();
    THookUi ui;
    TFakeReceiver fake;
    TLink link{texts, ui};
    TRx rx{link, texts, ui, RAVLIN_TEST_DATA_DIR};
    TTransferWorker transferWorker{rx, link, ui, texts};
};

TEST(TransferWorkerNearest, RoundsHalfToEven) {
    EXPECT_EQ(TTransferWorker::Nearest(5, 10), 0);
    EXPECT_EQ(TTransferWorker::Nearest(15, 10), 2);
    EXPECT_EQ(TTransferWorker::Nearest(25, 10), 2);
    EXPECT_EQ(TTransferWorker::Nearest(26, 10), 3);
    EXPECT_EQ(TTransferWorker::Nearest(100, 3), 33);
}

TEST_F(TransferWorkerTest, BlockDownloadStopsAfterTheFirstEmptyRecord) {
    Device(2048);
    Fill(0x0100, 0x010F);  // records 1 and 2; record 3 (0x0110..0x0117) stays erased
    Fill(0x0118, 0x0200);  // data behind the empty record is not read
    Connect(false);
    ASSERT_TRUE(transferWorker.Run(TTransferWorker::TJob::Download));
    // Record 3 ends at 0x0117: the last block read is the one at 0x0120.
    EXPECT_EQ(fake.Count(0x09), 3);
    ASSERT_EQ(rx.Image.size(), 2u * 2048);
    EXPECT_EQ(rx.Image.substr(0, 32), MemoryHex().substr(0, 32));
    EXPECT_EQ(rx.Image.substr(32), std::string(2 * 2048 - 32, 'F'));
    ASSERT_FALSE(ui.progress.empty());
    EXPECT_EQ(ui.progress.back().first, 100);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TransferWorkerTest, BlockDownloadOfAFullMemoryReadsEveryBlock) {
    Device(1000);  // not a multiple of 16: the last block is shorter
    Fill(0x0100, 0x0100 + 999);
    Connect(false);
    ASSERT_TRUE(transferWorker.Run(TTransferWorker::TJob::Download));
    EXPECT_EQ(fake.Count(0x09), (1000 + 15) / 16);
    EXPECT_EQ(rx.Image, MemoryHex());
    EXPECT_EQ(ui.progress.back().first, 100);
    for (size_t i = 1; i < ui.progress.size(); ++i)
        EXPECT_GT(ui.progress[i].first, ui.progress[i - 1].first);
}

TEST_F(TransferWorkerTest, StreamDownloadReadsTwiceAndCompares) {
    Device(2048);
    Fill(0x0100, 0x08FF);
    Connect(true);
    ASSERT_TRUE(transferWorker.Run(TTransferWorker::TJob::Download));
    EXPECT_EQ(rx.Image, MemoryHex());
    EXPECT_EQ(fake.Count(0x09), 2);
    EXPECT_EQ(ui.progress.back().first, 100);
}

TEST_F(TransferWorkerTest, StreamDownloadResumesAtABadLine) {
    Device(2048);
    Fill(0x0100, 0x08FF);
    fake.badStreamLine = 10;  // the line of 0x01A0 in pass 1
    Connect(true);
    ASSERT_TRUE(transferWorker.Run(TTransferWorker::TJob::Download));
    EXPECT_EQ(rx.Image, MemoryHex());
    std::vector<int> starts;
    for (const auto& f : fake.Frames())
        if (f.type == 0x09) starts.push_back(std::stoi(f.data.substr(0, 4), nullptr, 16));
    EXPECT_EQ(starts, (std::vector<int>{0x0100, 0x01A0, 0x0100}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TransferWorkerTest, StreamPassesThatDifferFail) {
    Device(512);
    Fill(0x0100, 0x02FF);
    fake.changeAfterFirstStream = true;
    Connect(true);
    EXPECT_FALSE(transferWorker.Run(TTransferWorker::TJob::Download));
    EXPECT_FALSE(transferWorker.Cancelled());
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"T110 T118"}));
}

TEST_F(TransferWorkerTest, SilentReceiverFailsTheDownloadInBoundedTime) {
    Device(512);
    fake.silentAfterFrames = 0;
    Connect(true, 40);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(transferWorker.Run(TTransferWorker::TJob::Download));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"T110 T118"}));
    EXPECT_LE(fake.Count(0x09), 5 * 8);
}

TEST_F(TransferWorkerTest, CancelledDownloadEndsWithoutMessage) {
    Device(2048);
    Fill(0x0100, 0x08FF);
    ui.onProgress = [this](int p) {
        if (p >= 20) transferWorker.Cancel();
    };
    Connect(false);
    EXPECT_FALSE(transferWorker.Run(TTransferWorker::TJob::Download));
    EXPECT_TRUE(transferWorker.Cancelled());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_LT(fake.Count(0x09), 2048 / 16);
}

TEST_F(TransferWorkerTest, UploadPreparesEveryBlockThenWritesLines) {
    Device(2048, 64);
    Connect(false);
    std::string image;
    for (int i = 0; i < 2048; ++i)
        image += TFakeReceiver::Hex({static_cast<uint8_t>(i % 251)}, 0, 0);
    rx.UploadImage = image;
    ASSERT_TRUE(transferWorker.Run(TTransferWorker::TJob::Upload));
    const auto frames = fake.Frames();
    ASSERT_EQ(frames.size(), 32u + 64u);
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(frames[i].type, 0x04);
        EXPECT_EQ(frames[i].data, "01" + rx.Hex4(0x0100 + 64 * i));
    }
    for (int i = 32; i < 96; ++i) EXPECT_EQ(frames[i].type, 0x00);
    EXPECT_EQ(MemoryHex(), image);
    // The preparation takes the progress to 10, the data lines on towards 100.
    std::vector<int> values;
    for (const auto& p : ui.progress) values.push_back(p.first);
    EXPECT_NE(std::find(values.begin(), values.end(), 10), values.end());
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    EXPECT_GE(values.back(), 90);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TransferWorkerTest, UploadStopsTwoRecordsAfterTheUsedOnes) {
    Device(2048, 2048);
    rx.Device.UsedCount = 0;  // limit: 2 records of 16 digits = 32 digits
    Connect(false);
    rx.UploadImage = std::string(4096, '0');
    ASSERT_TRUE(transferWorker.Run(TTransferWorker::TJob::Upload));
    EXPECT_EQ(fake.Count(0x04), 1);
    EXPECT_EQ(fake.Count(0x00), 1);
    EXPECT_EQ(ui.progress.back().first, 100);
}

TEST_F(TransferWorkerTest, UploadSendsTheLastShortLine) {
    Device(40, 64);  // 80 digits: one 32-byte line and one of 8 bytes
    Connect(false);
    rx.UploadImage = std::string(80, 'A');
    ASSERT_TRUE(transferWorker.Run(TTransferWorker::TJob::Upload));
    const auto frames = fake.Frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[2].address, 0x0120);
    EXPECT_EQ(frames[2].data, std::string(16, 'A'));
    EXPECT_EQ(MemoryHex(), rx.UploadImage);
}

TEST_F(TransferWorkerTest, UploadCancelAnsweredNoGoesOnAndYesEnds) {
    Device(2048, 64);
    Connect(false);
    rx.UploadImage = std::string(4096, '1');
    int asked = 0;
    ui.onProgress = [&](int p) {
        if (p >= 5 && asked == 0) {
            ++asked;
            transferWorker.Cancel();
        }
    };
    ui.answers = {TAnswer::No};
    ASSERT_TRUE(transferWorker.Run(TTransferWorker::TJob::Upload));
    EXPECT_EQ(ui.Ids(), (std::vector<Text>{Text::CancelUpload}));
    EXPECT_EQ(MemoryHex(), rx.UploadImage);

    ui.messages.clear();
    asked = 0;
    ui.answers = {TAnswer::Yes};
    const int before = static_cast<int>(fake.Frames().size());
    ASSERT_FALSE(transferWorker.Run(TTransferWorker::TJob::Upload));
    EXPECT_TRUE(transferWorker.Cancelled());
    EXPECT_EQ(ui.Ids(), (std::vector<Text>{Text::CancelUpload}));
    EXPECT_LT(static_cast<int>(fake.Frames().size()) - before, 32);
}

TEST_F(TransferWorkerTest, TheUserInterfacesOwnCancelRequestCountsOnce) {
    // The command line's Ctrl+C: a standing request of the user interface.
    Device(2048, 64);
    Fill(0x0100, 0x08FF);
    Connect(false);
    ui.cancel = true;
    EXPECT_FALSE(transferWorker.Run(TTransferWorker::TJob::Download));
    EXPECT_TRUE(transferWorker.Cancelled());
    EXPECT_EQ(fake.Count(0x09), 0);

    // Upload: asked once; "No" goes on to the end although the request stands.
    rx.UploadImage = std::string(4096, '4');
    ui.answers = {TAnswer::No};
    EXPECT_TRUE(transferWorker.Run(TTransferWorker::TJob::Upload));
    EXPECT_EQ(ui.Ids(), (std::vector<Text>{Text::CancelUpload}));
    EXPECT_EQ(MemoryHex(), rx.UploadImage);
}

TEST_F(TransferWorkerTest, TheProgressWindowsCancelAsksOnce) {
    // The progress window's Cancel latches the interface's request and sets the worker's
    // flag: one request, one question; "No" writes the whole image.
    Device(2048, 64);
    Connect(false);
    rx.UploadImage = std::string(4096, '2');
    bool pressed = false;
    ui.onProgress = [&](int p) {
        if (p >= 20 && !pressed) {
            pressed = true;
            ui.cancel = true;
            transferWorker.Cancel();
        }
    };
    ui.answers = {TAnswer::No, TAnswer::Yes};
    ASSERT_TRUE(transferWorker.Run(TTransferWorker::TJob::Upload));
    EXPECT_EQ(ui.Ids(), (std::vector<Text>{Text::CancelUpload}));
    EXPECT_EQ(MemoryHex(), rx.UploadImage);
}

TEST_F(TransferWorkerTest, VerifiedDownloadReadsAMisreadBlockAgainUntilTwoReadsAgree) {
    Device(1024);
    Fill(0x0100, 0x0100 + 1023);
    Connect(false);
    transferWorker.SetOptions({true, false});
    const int blocks = 1024 / 16;
    // The first read of 0x0140 and the second are both wrong, each in its own way.
    fake.corruptAt = 0x0140;
    fake.corruptReads = 2;
    ASSERT_TRUE(transferWorker.Run(TTransferWorker::TJob::Download));
    EXPECT_EQ(rx.Image, MemoryHex());
    EXPECT_EQ(fake.Count(0x09), 2 * blocks + 2);
    EXPECT_EQ(ui.progress.back().first, 100);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TransferWorkerTest, VerifiedDownloadFailsNamingTheBlockWhenNoTwoReadsAgree) {
    Device(1024);
    Fill(0x0100, 0x0100 + 1023);
    Connect(false);
    transferWorker.SetOptions({true, false});
    fake.corruptAt = 0x0180;
    fake.corruptReads = 100;
    EXPECT_FALSE(transferWorker.Run(TTransferWorker::TJob::Download));
    EXPECT_FALSE(transferWorker.Cancelled());
    // Two reads and three more of the failing block.
    EXPECT_EQ(fake.Count(0x09), 2 * (1024 / 16) + 3);
    ASSERT_EQ(ui.Ids(), (std::vector<Text>{Text::CommunicationError}));
    EXPECT_NE(ui.messages[0].message.text.find("0180"), std::string::npos)
        << ui.messages[0].message.text;
}

TEST_F(TransferWorkerTest, VerifiedDownloadFollowsARecordMisreadAsErased) {
    // Record 2 holds one byte FE among FF; the first read takes it for erased and stops
    // there. The confirmed read goes on to the first truly empty record.
    Device(2048);
    Fill(0x0100, 0x01FF);
    for (int a = 0x0108; a < 0x0110; ++a) fake.memory[a] = 0xFF;
    fake.memory[0x010A] = 0xFE;
    Connect(false);
    transferWorker.SetOptions({true, false});
    fake.corruptAt = 0x0100;
    fake.corruptReads = 1;
    fake.corruptDigit = 2 * 0x0A + 1;  // the E of FE turns into F
    ASSERT_TRUE(transferWorker.Run(TTransferWorker::TJob::Download));
    EXPECT_EQ(rx.Image, MemoryHex());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TransferWorkerTest, WithoutVerificationAMisreadBlockIsTaken) {
    // What the second read is for: a block reply carries no checksum.
    Device(1024);
    Fill(0x0100, 0x0100 + 1023);
    Connect(false);
    fake.corruptAt = 0x0140;
    fake.corruptReads = 1;
    ASSERT_TRUE(transferWorker.Run(TTransferWorker::TJob::Download));
    EXPECT_NE(rx.Image, MemoryHex());
    EXPECT_EQ(fake.Count(0x09), 1024 / 16);
}

TEST_F(TransferWorkerTest, ReadBackFindsAWriteTheReceiverDidNotStore) {
    Device(512, 64);
    Connect(false);
    transferWorker.SetOptions({false, true});
    rx.UploadImage = std::string(1024, '3');
    fake.stuckAt = 0x0123;
    fake.memory[0x0123] = 0x5A;
    EXPECT_FALSE(transferWorker.Run(TTransferWorker::TJob::Upload));
    EXPECT_FALSE(transferWorker.Cancelled());
    EXPECT_EQ(transferWorker.ReadBackResult(), TTransferWorker::TReadBack::Differs);
    ASSERT_EQ(rx.ReadBack.size(), rx.UploadImage.size());
    std::string expected = rx.UploadImage;
    expected.replace(2 * 0x23, 2, "5A");
    EXPECT_EQ(rx.ReadBack, expected);

    // A receiver that stores everything: the same upload reads back the same.
    fake.stuckAt = -1;
    ASSERT_TRUE(transferWorker.Run(TTransferWorker::TJob::Upload));
    EXPECT_EQ(transferWorker.ReadBackResult(), TTransferWorker::TReadBack::Same);
    EXPECT_EQ(rx.ReadBack, rx.UploadImage);
}

TEST_F(TransferWorkerTest, ReadingTheReceiverConfirmsBlocksThatDifferFromTheUpload) {
    Device(512);
    Fill(0x0100, 0x0100 + 511);
    Connect(false);
    rx.UploadImage = MemoryHex();
    rx.UploadImage.replace(0, 32, std::string(32, 'F'));  // the upload differs at 0x0100
    fake.corruptAt = 0x0100;
    fake.corruptReads = 1;
    ASSERT_TRUE(transferWorker.Run(TTransferWorker::TJob::ReadReceiver));
    EXPECT_EQ(rx.ReceiverImage, MemoryHex());
    // The block that equals the upload is taken at once; the other needed three reads.
    EXPECT_EQ(fake.Count(0x09), 512 / 16 + 2);
}

TEST_F(TransferWorkerTest, RejectedWritesAreRetried) {
    Device(64, 64);
    fake.rejectWrites = 2;  // 'X' twice: the link's retries absorb them
    Connect(false);
    rx.UploadImage = std::string(128, '2');
    ASSERT_TRUE(transferWorker.Run(TTransferWorker::TJob::Upload));
    EXPECT_EQ(MemoryHex(), rx.UploadImage);
    EXPECT_EQ(fake.Count(0x04), 3);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TransferWorkerTest, UploadToASilentReceiverFails) {
    Device(64, 64);
    fake.silentAfterFrames = 1;  // the preparation is answered, the data line is not
    Connect(false, 40);
    rx.UploadImage = std::string(128, '3');
    EXPECT_FALSE(transferWorker.Run(TTransferWorker::TJob::Upload));
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"T110 T114"}));
}

TEST_F(TransferWorkerTest, ListeningEndsAtTheReceptionByte) {
    Device(64);
    Connect(false);
    ASSERT_TRUE(transferWorker.Start(TTransferWorker::TJob::Online));
    EXPECT_FALSE(transferWorker.WaitIdleFor(100));
    fake.SendByte('U');  // other bytes are dropped
    fake.SendByte('R');
    EXPECT_TRUE(transferWorker.WaitIdleFor(5000));
    EXPECT_EQ(transferWorker.Receptions(), 1);

    // Listening ended by StopOnline is no reception.
    ASSERT_TRUE(transferWorker.Start(TTransferWorker::TJob::Online));
    transferWorker.StopOnline();
    EXPECT_TRUE(transferWorker.Idle());
    EXPECT_EQ(transferWorker.Receptions(), 1);
}

TEST_F(TransferWorkerTest, SecondJobIsRefusedWhileOneRuns) {
    Device(64);
    Connect(false);
    ASSERT_TRUE(transferWorker.Start(TTransferWorker::TJob::Online));
    EXPECT_FALSE(transferWorker.Start(TTransferWorker::TJob::Download));
    transferWorker.StopOnline();
    EXPECT_TRUE(transferWorker.Start(TTransferWorker::TJob::Download));
    EXPECT_TRUE(transferWorker.Wait());
}

}  // namespace
}  // namespace ravlin
