#include "platform/message_box.h"

#include "support/temp_dir.h"

#include <QWidget>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace platform;

TEST(MessageBox, RecorderCapturesTextsInOrder) {
    MessageRecorder recorder;
    QWidget owner;
    showMessage(&owner, u"\u4E0D\u6B63\u306A\u30D0\u30FC\u30B8\u30E7\u30F3"_qs);
    showMessage(nullptr, u"second"_qs);
    EXPECT_EQ(recorder.texts(),
              (QStringList{u"\u4E0D\u6B63\u306A\u30D0\u30FC\u30B8\u30E7\u30F3"_qs, u"second"_qs}));
}

TEST(MessageBox, InnermostRecorderRecordsAndOuterResumesAfterIt) {
    MessageRecorder outer;
    {
        MessageRecorder inner;
        showMessage(nullptr, u"inner"_qs);
        EXPECT_EQ(inner.texts(), QStringList{u"inner"_qs});
    }
    showMessage(nullptr, u"outer"_qs);
    EXPECT_EQ(outer.texts(), QStringList{u"outer"_qs});
}

TEST(MessageBox, OffscreenRunLogsInsteadOfBlocking) {
    // The test main runs on the offscreen platform: without a recorder the
    // call must return at once and append the text to the log file.
    testsupport::TempDir dir;
    const std::string log = dir.file("messages.log");
    dir.write("messages.log", "earlier\n");
    setenv("QUAVERLY_MESSAGE_LOG", log.c_str(), 1);
    showMessage(nullptr, u"\u30C6\u30B9\u30C8"_qs);
    showMessage(nullptr, u"two"_qs);
    unsetenv("QUAVERLY_MESSAGE_LOG");
    EXPECT_EQ(testsupport::readFile(log), "earlier\n\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88\ntwo\n");
}

TEST(MessageBox, OffscreenRunWithoutLogFileWritesToStderr) {
    ASSERT_FALSE(qEnvironmentVariableIsSet("QUAVERLY_MESSAGE_LOG"));
    testing::internal::CaptureStderr();
    showMessage(nullptr, u"no display here"_qs);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "no display here\n");
}
