// The seam between the workflows and whatever shows them: a window, a console, a test recorder.
//
// The workflows never touch a widget; they drive this interface. Calls may come from a worker
// thread: an implementation carries each call out on its own thread and returns only when it is
// done (a message box returns the button pressed), so a workflow sees its effects in order.
// Texts are narrow, in the ANSI code page.
#pragma once

#include <string>

namespace tessaro {

// The controls that the long workflows lock and unlock, in the order they are treated.
enum class Control : int {
  kOpenButton = 1001,
  kAboutButton = 1003,
  kUpdateButton = 1004,
  kInstallAllButton = 1005,
  kFontList = 1002,
};

// The font list's columns.
enum FontListColumn : int {
  kNameColumn = 0,
  kStatusColumn = 1,
  kPreviewColumn = 2,
  kDownloadColumn = 3
};

// The font list's four columns for a list whose client area is `clientWidth` pixels wide: the
// name takes 4.5 ninths, status and preview 1.5 ninths each (truncated), download the rest. The
// same rule in every window, so that the cells line up with what the workflows put in them.
struct FontListColumns {
  int widths[4];
  int previewStart;   // left edge of the preview column
  int downloadStart;  // left edge of the download column
};
constexpr FontListColumns ComputeFontListColumns(int clientWidth) {
  const int name = static_cast<int>(clientWidth * 4.5 / 9);
  const int narrow = static_cast<int>(clientWidth * 1.5 / 9);
  return {
      {name, narrow, narrow, clientWidth - name - 2 * narrow}, name + narrow, name + 2 * narrow};
}

class MainView {
 public:
  enum class Buttons { kOk, kOkCancel };
  enum class Answer { kOk, kCancel };

  virtual ~MainView() = default;

  virtual void SetProgressRange(int low, int high) = 0;
  virtual void SetProgressStep(int step) = 0;
  virtual void StepProgress() = 0;  // advances by one step, never past the range's end
  virtual void SetProgressPos(int position) = 0;
  // What the workflow does now ("下载 DejaVuSans.zip 1/3", narrow text), until the next text or the
  // end of the progress; `folder`, when given, is where the bytes of this step arrive, so that a
  // view may show how many have arrived. A view may show nothing of it (the default).
  virtual void SetProgressText(const std::string& text, const std::string& folder = "") {}

  virtual void DeleteAllRows() = 0;
  virtual void InsertRow(int row, const std::string& name) = 0;  // column 0 holds `name`
  virtual void SetCell(int row, int column, const std::string& text) = 0;
  virtual void DeleteRow(int row) = 0;

  virtual void EnableControl(Control control, bool enable) = 0;
  virtual void SetEditText(const std::string& text) = 0;

  // Shows a message owned by the main window and waits for the user's answer.
  virtual Answer ShowMessage(const std::string& text, const std::string& caption,
                             Buttons buttons) = 0;

  // Closes the main window (after the self-update started its installer).
  virtual void CloseWindow() = 0;
};

// Locks (false) or unlocks (true) the window for a long workflow: the four buttons, then the list.
void EnableControls(MainView& view, bool enable);

}  // namespace tessaro
