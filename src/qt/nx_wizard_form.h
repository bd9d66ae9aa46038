// The wizard of the Nexa migration: a third mode for ADO components and a
// link that opens a mail to the vendor's support.
#pragma once

#include "qt/wizard_form.h"

namespace tolvern {

class TNXWizardForm : public TWizardForm {
  Q_OBJECT

 public:
  explicit TNXWizardForm(QWidget* parent = nullptr);

  static const QColor kLinkColor;
  static const QColor kHoverColor;

  void Refresh() override;

 protected:
  void OnModeClicked() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QRadioButton* rbModeReplaceADO = nullptr;
  QLabel* lbMail = nullptr;
  void SetLinkColor(const QColor& c);
  void OpenMailLink();
};

}  // namespace tolvern
