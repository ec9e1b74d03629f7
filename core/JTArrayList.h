#pragma once
#include <vector>

#include "core/JTObject.h"

namespace JTCore {

// Ordered list of strong references; out-of-range indexes throw std::out_of_range("out of range").
class JTArrayList : public JTObject {
  public:
    JTArrayList() = default;
    ~JTArrayList() override;

    void add(const Ref<JTObject>& item);
    Ref<JTObject> get(int index) const;
    void removeAt(int index);
    void clear();
    int size() const { return static_cast<int>(items_.size()); }

    template <class T>
    Ref<T> getAs(int index) const {
        return dynamicRef<T>(get(index));
    }

  private:
    void checkIndex(int index) const;
    std::vector<Ref<JTObject>> items_;
};

}  // namespace JTCore
