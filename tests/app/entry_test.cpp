// The process entry: the command line, and the exit statuses of a real process.
#include <sys/wait.h>
#include <unistd.h>

#include "app_fixture.h"

namespace app_test {
namespace {

TEST(CommandLine, TheProgramsNameIsSkipped) {
  struct TCase {
    const char* line;
    const char* rest;
  };
  const TCase cases[] = {
      {"klop", ""},
      {"klop -x", "-x"},
      {"klop \t  -x  y", "-x  y"},
      {"\"/opt/my games/klop\" -x", "-x"},
      {"\"/opt/my games/klop\"\t\"a b\"", "\"a b\""},
      {"\"unterminated name", ""},
      {"", ""},
  };
  for (const TCase& c : cases) {
    EXPECT_STREQ(SkipProgramName(c.line), c.rest) << c.line;
  }
  char a0[] = "/opt/my games/klop";
  char a1[] = "-x";
  char a2[] = "two words";
  char* argv[] = {a0, a1, a2, nullptr};
  EXPECT_EQ(CommandLineOf(3, argv), "\"/opt/my games/klop\" -x \"two words\"");
  EXPECT_STREQ(SkipProgramName(CommandLineOf(3, argv).c_str()), "-x \"two words\"");
}

class TEntryTest : public TAppTest {};

TEST_F(TEntryTest, TheApplicationGetsTheCommandLineAndTheShowCommand) {
  std::string line;
  int show = 0;
  static std::string* s_line;
  static int* s_show;
  s_line = &line;
  s_show = &show;
  char a0[] = "klop";
  char a1[] = "--level";
  char a2[] = "two words";
  char* argv[] = {a0, a1, a2, nullptr};
  EXPECT_EQ(RunProcess(host, klop::Module(), 3, argv,
                       [](int argc, char**) {
                         TApplication app;
                         *s_line = app.GetCmdLine();
                         *s_show = app.nCmdShow;
                         EXPECT_EQ(app.GetInstance(), klop::Module());
                         EXPECT_EQ(TApplication::Current(), &app);
                         return argc;
                       }),
            3);
  EXPECT_EQ(line, "--level \"two words\"");
  EXPECT_EQ(show, SW_SHOWDEFAULT);
}

// The exit status the process really ends with.
int ExitStatusOf(const char* mode) {
  const pid_t pid = fork();
  if (pid == 0) {
    execl(KLOP_EXIT_PROBE, KLOP_EXIT_PROBE, mode, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1000;
  if (!WIFEXITED(status)) return -2000 - (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  return WEXITSTATUS(status);
}

TEST(ExitStatus, TheProgramEndsWith0WhenClosedAnd255AfterAReportedError) {
  EXPECT_EQ(ExitStatusOf("close"), 0);
  EXPECT_EQ(ExitStatusOf("refuse-register"), 255);
}

}  // namespace
}  // namespace app_test
