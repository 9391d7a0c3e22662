// The main window as it starts, and the command line it is started with.
#include <QMdiArea>
#include <gtest/gtest.h>

#include "gui/app/command_line.h"
#include "gui/app/main_frame.h"

namespace {

TEST(MainFrame, StartsWithTheTitleAndAnEmptyDocumentArea) {
  CMainFrame frame;
  frame.show();
  EXPECT_EQ(frame.windowTitle(), QStringLiteral("Tarvo Wavedesk 2.0"));
  auto* area = frame.findChild<QMdiArea*>(QStringLiteral("MDIClient"));
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(frame.centralWidget(), area);
  EXPECT_TRUE(area->subWindowList().isEmpty());
}

struct ArgumentsCase {
  const char* name;
  QStringList arguments;
  SoundBackend backend;
  QString file;
  bool error;
};

class CommandLineTest : public testing::TestWithParam<ArgumentsCase> {};

TEST_P(CommandLineTest, ChoosesTheBackEndAndTheFile) {
  const CommandLine line = ParseCommandLine(QStringList{QStringLiteral("wavedesk")} + GetParam().arguments);
  EXPECT_EQ(line.backend, GetParam().backend);
  EXPECT_EQ(line.fileToOpen, GetParam().file);
  EXPECT_EQ(!line.error.isEmpty(), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    App, CommandLineTest,
    testing::Values(ArgumentsCase{"Nothing", {}, SoundBackend::PulseAudio, {}, false},
                    ArgumentsCase{"NullBackEnd", {"--audio=null"}, SoundBackend::Null, {}, false},
                    ArgumentsCase{"SeparateValue", {"--audio", "null", "a.wav"}, SoundBackend::Null, "a.wav", false},
                    ArgumentsCase{"PulseAndFile", {"b.tvf", "--audio=pulse"}, SoundBackend::PulseAudio, "b.tvf", false},
                    ArgumentsCase{"UnknownBackEnd", {"--audio=alsa"}, SoundBackend::PulseAudio, {}, true},
                    ArgumentsCase{"UnknownOption", {"--loud"}, SoundBackend::PulseAudio, {}, true}),
    [](const testing::TestParamInfo<ArgumentsCase>& info) { return std::string(info.param.name); });

}  // namespace
