// The store's operation table: twelve entries, each either empty or bound to a routine together
// with the object it runs on. Callers test IsBound() first; calling an empty entry raises
// PrefError.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "prefs/pref_error.h"

namespace regcorvex {

inline constexpr char kNoOpenKeyError[] = "No preference key is open";

template <typename Object, typename Signature>
class BoundOperation;

template <typename Object, typename Result, typename... Args>
class BoundOperation<Object, Result(Args...)> {
 public:
  using Routine = Result (Object::*)(Args...);

  constexpr BoundOperation() = default;
  // An entry that names its routine but no object yet; OperationTable::Bind supplies the object.
  constexpr BoundOperation(Routine routine) : routine_(routine) {}

  bool IsBound() const { return routine_ != nullptr; }

  Result operator()(Args... args) const {
    if (routine_ == nullptr || object_ == nullptr) throw PrefError(kNoOpenKeyError);
    return (object_->*routine_)(static_cast<Args>(args)...);
  }

 private:
  template <typename>
  friend struct OperationTable;

  Routine routine_ = nullptr;
  Object* object_ = nullptr;
};

template <typename Object>
struct OperationTable {
  using Text = const std::string&;

  BoundOperation<Object, void()> CloseKeyProc;
  BoundOperation<Object, std::int32_t(Text section, Text name, std::int32_t fallback)>
      GetIntegerProc;
  BoundOperation<Object, void(Text section, Text name, std::int32_t value)> SetIntegerProc;
  BoundOperation<Object, std::string(Text section, Text name, Text fallback)> GetStringProc;
  BoundOperation<Object, void(Text section, Text name, Text value)> SetStringProc;
  BoundOperation<Object, bool(Text section, Text name, bool fallback)> GetBooleanProc;
  BoundOperation<Object, void(Text section, Text name, bool value)> SetBooleanProc;
  // Copies at most size bytes into buffer and returns the value's length, or -1 when it is missing.
  BoundOperation<Object,
                 std::int32_t(Text section, Text name, std::uint8_t* buffer, std::int32_t size)>
      GetBinaryProc;
  BoundOperation<Object,
                 void(Text section, Text name, const std::uint8_t* buffer, std::int32_t size)>
      SetBinaryProc;
  BoundOperation<Object, void(Text section, Text key, std::vector<std::string>& list)>
      GetValueNamesProc;
  BoundOperation<Object, bool(Text section, Text name)> DeleteValueProc;
  BoundOperation<Object, bool(Text key)> DeleteKeyProc;

  // Binds every entry to the routine of the same entry in routines, run on object.
  void Bind(Object& object, const OperationTable& routines) {
    *this = routines;
    ForEach([&object](auto& entry) { entry.object_ = &object; });
  }
  void Clear() { *this = OperationTable(); }

 private:
  template <typename Visit>
  void ForEach(Visit visit) {
    visit(CloseKeyProc);
    visit(GetIntegerProc);
    visit(SetIntegerProc);
    visit(GetStringProc);
    visit(SetStringProc);
    visit(GetBooleanProc);
    visit(SetBooleanProc);
    visit(GetBinaryProc);
    visit(SetBinaryProc);
    visit(GetValueNamesProc);
    visit(DeleteValueProc);
    visit(DeleteKeyProc);
  }
};

}  // namespace regcorvex
