// The window and the command line agree on where the store lives: the
// window takes Qt's application-data location and its own folder, the
// command line computes both itself.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>

#include "app/qt_program.h"
#include "program/run_settings.h"
#include "program/store_location.h"
#include "tests/test_support.h"

namespace {

// Sets or unsets an environment variable for one test, as it was after.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedVariable() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class StoreLocationAgreementTest : public ::testing::Test {
 protected:
  StoreLocationAgreementTest() { app::NameProgram(); }
  void ExpectAgreement() {
    const program::ProgramPlace window = app::WindowPlace();
    EXPECT_EQ(window.user_data_folder, program::UserDataFolder(program::ProcessEnvironment));
    EXPECT_EQ(window.user_data_folder.filename(), "quorvane");
  }
  testing_support::TempDir dir;
};

TEST_F(StoreLocationAgreementTest, WithXdgDataHome) {
  ScopedVariable xdg("XDG_DATA_HOME", (dir / "xdg-data").c_str());
  ExpectAgreement();
  EXPECT_EQ(app::WindowPlace().user_data_folder, dir / "xdg-data" / "quorvane");
}

TEST_F(StoreLocationAgreementTest, WithoutXdgDataHomeUnderHome) {
  ScopedVariable xdg("XDG_DATA_HOME", nullptr);
  ScopedVariable home("HOME", dir.path().c_str());
  ExpectAgreement();
  EXPECT_EQ(app::WindowPlace().user_data_folder, dir / ".local" / "share" / "quorvane");
}

TEST_F(StoreLocationAgreementTest, WithAnEmptyXdgDataHome) {
  ScopedVariable xdg("XDG_DATA_HOME", "");
  ScopedVariable home("HOME", dir.path().c_str());
  ExpectAgreement();
}

TEST_F(StoreLocationAgreementTest, BothFindTheSameProgramFolder) {
  const auto cli_folder = program::ExecutableFolder();
  ASSERT_TRUE(cli_folder);
  EXPECT_EQ(app::WindowPlace().program_folder, *cli_folder);
  // The build tree's folder is writable: the store stays beside the
  // program, as before.
  EXPECT_TRUE(app::WindowPlace().program_folder_writable);
}

}  // namespace
