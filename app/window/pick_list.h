#pragma once
// A drop-down list that reports each pick once: a pick of a new item announces itself twice
// (its index changed, then it was activated), a pick of the item already selected only once,
// and a change made by code only by its index.
#include <QComboBox>

namespace varno::window {

class PickList : public QComboBox {
  Q_OBJECT

 public:
  explicit PickList(QWidget* parent = nullptr);

 signals:
  void picked();

 private:
  bool seen_ = false;  // the index change of the pick under way was reported
};

}  // namespace varno::window
