// RestorableBar: what a bar that sizes itself when it is first shown offers
// the placement kept between runs. Such a bar (the explorer, the clipboard
// manager) would otherwise give the frame its first-start size at its first
// showing and so undo the size the placement restored; and until it has
// been on screen, its widget size is not one the user chose, so it must not
// be stored either.
#pragma once

#include <QSize>

class RestorableBar {
 public:
  // The size a stored placement holds, given before the bar is first shown:
  // it takes that size then instead of its first-start one. A bar already
  // on screen takes it at once.
  virtual void RestoreSize(const QSize& size) = 0;
  // The size to keep for the next run: the bar's own once it has been on
  // screen, else the one restored; invalid when there is neither.
  virtual QSize RememberedSize() const = 0;

 protected:
  ~RestorableBar() = default;
};
