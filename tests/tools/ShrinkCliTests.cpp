#include <cstdio>
#include <string>
#include <vector>

#include <QSettings>

#include <gtest/gtest.h>

#include "ShrinkCli.h"
#include "settings/SettingsStore.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"

using namespace testing_support;

namespace {

struct CliRun
{
    int status;
    std::string out;
    std::string err;
};

std::string ReadAll(std::FILE *file)
{
    std::rewind(file);
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        text.append(buffer, n);
    }
    std::fclose(file);
    return text;
}

CliRun RunCli(std::vector<std::string> args, settings::IProfile *stored = nullptr)
{
    args.insert(args.begin(), "trelvo-shrink");
    std::vector<char *> argv;
    for (std::string &arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    const int status = RunShrinkCli(static_cast<int>(args.size()), argv.data(), out, err, stored);
    return {status, ReadAll(out), ReadAll(err)};
}

class ShrinkCli : public ::testing::Test
{
protected:
    std::string Photo(const std::string &name, unsigned seed = 1)
    {
        const std::string path = m_dir.File(name);
        WriteFile(path, EncodeJpeg(MakePhotoLike(48, 32, seed)));
        return path;
    }

    CTempDir m_dir;
};

struct UsageCase
{
    std::vector<std::string> args;
    const char *message;
};

void PrintTo(const UsageCase &c, std::ostream *os)
{
    *os << "'" << c.message << "'";
}

class ShrinkCliUsage : public ShrinkCli, public ::testing::WithParamInterface<UsageCase>
{ };

TEST_P(ShrinkCliUsage, ExitsWithTwoAndSaysWhy)
{
    const CliRun run = RunCli(GetParam().args);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.out.empty());
    EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Errors, ShrinkCliUsage,
    ::testing::Values(UsageCase{{}, "no PATH given"}, UsageCase{{"-d", "3", "x.jpg"}, "--denom"},
        UsageCase{{"--denom=x", "x.jpg"}, "--denom"}, UsageCase{{"-q", "0", "x.jpg"}, "--quality"},
        UsageCase{{"--hue", "181", "x.jpg"}, "--hue"},
        UsageCase{{"--saturation", "-101", "x"}, "--saturation"},
        UsageCase{{"-j", "0", "x.jpg"}, "--jobs"}, UsageCase{{"--bogus", "x.jpg"}, "--bogus"},
        UsageCase{{"x.jpg", "-o"}, "needs a value"},
        UsageCase{{"--same-folder", "-o", "/tmp", "x.jpg"}, "exclude each other"}));

TEST_F(ShrinkCli, HelpAndVersionSucceed)
{
    const CliRun help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: trelvo-shrink", 0), 0u);
    const CliRun version = RunCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("trelvo-shrink ", 0), 0u);
}

TEST_F(ShrinkCli, PrintsWrittenFilesInBatchOrderForAnyJobs)
{
    std::vector<std::string> photos;
    std::string expected;
    for (int i = 0; i < 6; ++i) {
        photos.push_back(Photo("p" + std::to_string(i) + ".jpg", static_cast<unsigned>(i)));
        expected += m_dir.File("out/p" + std::to_string(i) + "s.jpg") + "\n";
    }
    for (const char *jobs : {"1", "4"}) {
        std::vector<std::string> args = {"-j", jobs, "-o", m_dir.File("out")};
        args.insert(args.end(), photos.begin(), photos.end());
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, expected);
        EXPECT_TRUE(run.err.empty()) << run.err;
    }
}

TEST_F(ShrinkCli, OptionsReachTheEncoder)
{
    const std::string photo = Photo("a.jpg");
    const CliRun run =
        RunCli({"--no-color", "-d", "1", "-q", "75", "--same-folder", "--quiet", photo});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.empty());
    const RgbPicture decoded = DecodeReference(ReadFile(photo), 1);
    EXPECT_EQ(ReadFile(m_dir.File("as.jpg")), EncodeReference(decoded, 75, true));
}

TEST_F(ShrinkCli, StoredSettingsApplyAndAreNeverWritten)
{
    const std::string photo = Photo("a.jpg");
    const QString file = QString::fromStdString(m_dir.File("trelvo.conf"));
    {
        QSettings stored(file, QSettings::IniFormat);
        stored.beginGroup(QString::fromUtf8(settings::kSection));
        stored.setValue("CompressRate", 75);
        stored.setValue("CompressDenom", 1);
        stored.setValue("Color", 0);
        stored.setValue("CompressPath", QString::fromStdString(m_dir.File("stored")));
    }
    const std::vector<std::uint8_t> before = ReadFile(file.toStdString());
    QSettings stored(file, QSettings::IniFormat);
    settings::CQSettingsProfile profile(stored);
    const CliRun run = RunCli({photo}, &profile);
    stored.sync();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, m_dir.File("stored/as.jpg") + "\n");
    EXPECT_EQ(ReadFile(m_dir.File("stored/as.jpg")),
        EncodeReference(DecodeReference(ReadFile(photo), 1), 75, true));
    EXPECT_EQ(ReadFile(file.toStdString()), before);
}

TEST_F(ShrinkCli, FailingPhotoIsReportedAndGivesExitOne)
{
    const std::string good = Photo("good.jpg");
    const std::string missing = m_dir.File("missing.jpg");
    const CliRun run = RunCli({"-o", m_dir.File("out"), good, missing});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, m_dir.File("out/goods.jpg") + "\n");
    EXPECT_EQ(run.err, "trelvo-shrink: " + missing + ": No such file or directory\n");
}

TEST_F(ShrinkCli, NothingToShrinkGivesExitOne)
{
    const CliRun run = RunCli({"-o", m_dir.File("out"), m_dir.Path()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("フォルダにJPGファイルが無いか、写真ファイル以外を指定されました。"),
        std::string::npos);
}

} // namespace
