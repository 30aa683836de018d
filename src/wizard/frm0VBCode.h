#pragma once
// frm0VBCode: the read-only code viewer that shows a generated class or module coloured
// after a run. The code is turned into HTML (MCode2HTML), written to a temporary file
// "$$$TmpCls.htm" or "$$$TmpBas.htm" beside the program (in the configuration folder when
// the program's folder is not writable) and shown from that file. Copy puts the code on
// the clipboard; Save As writes the file header and the code to a file of the user's
// choice. Closing the window deletes the temporary file.
//
// The program has two viewers, one for the class and one for the parameter-definitions
// module, created on first use and reused by later runs; they follow the main window
// when it is minimised and restored.

#include <QWidget>
#include <cstdint>
#include <string>
#include <string_view>

class QPushButton;

namespace pf {
class CProgress;
}

namespace pf::wizard {

class CCodeView;

class frm0VBCode : public QWidget {
  Q_OBJECT

 public:
  explicit frm0VBCode(QWidget* owner = nullptr);
  ~frm0VBCode() override;

  // Fills and shows the viewer: ModuleType 1 for a class, 0 for a module; AProlog is the
  // file header that precedes ACode in a saved file; AFileName the name proposed for
  // saving and shown in the caption. With oProgress its message is shown and Cancel is
  // honoured while the code is formatted. A temporary file that cannot be created shows
  // "Cannot create temporary file " with the path and the reason and leaves the viewer
  // closed; any other failure closes it too and is recorded under
  // "frm0VBCode.SetCode(ModuleType,AProlog,ACode,AFileName)" and passed on.
  void SetCode(int32_t ModuleType, const std::string& AProlog, std::string_view ACode, const std::string& AFileName,
               CProgress* oProgress);

  // The save dialog for the viewer's module type; on a chosen name, prolog and code are
  // written with SaveFile. Recorded under "frm0VBCode.SaveAs".
  void SaveAs();
  void btnSaveAs_Click();
  void btnCopy_Click();

  int32_t ModuleType() const { return moduleType_; }
  const std::string& TempFileName() const { return tempFile_; }
  CCodeView* View() const { return view_; }

  // The temporary file of a viewer of that module type.
  static std::string TempFileFor(int32_t ModuleType);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Deletes the temporary file when it exists.
  void Form_Unload();
  // Opens a step down and right of Other, the other viewer, when that one is open.
  void StepFrom(const QWidget& Other);

  int32_t moduleType_ = 1;
  std::string prolog_, code_, fileName_, tempFile_;
  CCodeView* view_;
  QPushButton* btnCopy_;
  QPushButton* btnSaveAs_;
  QPushButton* btnClose_;
};

// The viewers of the program: the class viewer and the module viewer, created on first
// use as windows of the main window and kept until it goes.
frm0VBCode* ClassViewer();
frm0VBCode* ParamDefsViewer();
// Makes the generation command show its texts in these viewers.
void InstallCodeViewers();

}  // namespace pf::wizard
