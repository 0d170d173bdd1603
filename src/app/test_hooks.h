// A hook for the tests that start the built program in another process and cannot reach its
// window. Off unless the environment variable ICOGEN_TEST_ACTION is set, which only those tests
// do. When it is set, the program writes one line to stderr each time the program state is
// released, writes addresses it would open in the browser to stderr instead of opening them, and
// once the event loop runs it acts on the main window:
//   escape  sends an Esc key press to the window
//   close   closes the window as the close box does
//   quit    clicks `退出`
//   none    nothing
#pragma once

namespace icogen::ui {
class MainWindow;
}

namespace icogen::app {

inline constexpr const char* releaseReportLine = "icogen: program state released";
inline constexpr const char* openReportPrefix = "icogen: would open ";

class TestHooks {
  public:
    enum class Action { Off, None, Escape, Close, Quit };

    static TestHooks fromEnvironment();

    Action action() const { return action_; }
    void reportRelease() const;
    // Keeps the desktop's browser out of test runs.
    void divertAddresses() const;
    void scheduleAction(ui::MainWindow& window) const;

  private:
    Action action_ = Action::Off;
};

// Read from the environment once.
const TestHooks& testHooks();

}  // namespace icogen::app
