#include "window/pick_list.h"

#include <QTimer>
#include <utility>

namespace varno::window {

PickList::PickList(QWidget* parent) : QComboBox(parent) {
  connect(this, &QComboBox::currentIndexChanged, this, [this] {
    emit picked();
    // Marked only once the pick is handled: a pick made while it ran has had its own pair of
    // signals meanwhile, and must not take this pick's activation away.
    seen_ = true;
    QTimer::singleShot(0, this, [this] { seen_ = false; });
  });
  connect(this, &QComboBox::activated, this, [this] {
    if (std::exchange(seen_, false)) return;
    emit picked();
  });
}

}  // namespace varno::window
