#pragma once
// Short hands for the test movies of the built-in classes: method calls, literals and variables in AVM1 code.
#include <string>
#include <utility>
#include <vector>

#include "test_movie.h"

namespace swftest {

using swfasm::Action;
using swfasm::Actions;
using swfasm::PushValue;

// Pushes the arguments of a call in the order AVM1 pops them, then their count.
inline Actions& Args(Actions& a, const std::vector<PushValue>& args) {
  std::vector<PushValue> v(args.rbegin(), args.rend());
  v.push_back(static_cast<int>(args.size()));
  return a.Push(v);
}

// var.method(args), the result left on the stack; var may be a dotted path such as "String.prototype".
inline Actions& Method(Actions& a, const std::string& var, const std::string& method,
                       const std::vector<PushValue>& args = {}) {
  Args(a, args).Push({var}).Op(Action::GetVariable).Push({method});
  return a.Op(Action::CallMethod);
}

inline Actions& TraceMethod(Actions& a, const std::string& var, const std::string& method,
                            const std::vector<PushValue>& args = {}) {
  return Method(a, var, method, args).Op(Action::Trace);
}

// The method of the value on top of the stack, called with literal arguments; the result replaces it.
inline Actions& ThenMethod(Actions& a, const std::string& method, const std::vector<PushValue>& args = {}) {
  a.StoreRegister(3).Op(Action::Pop);
  Args(a, args).Push({swfasm::Register{3}, method});
  return a.Op(Action::CallMethod);
}

// An array of literals on the stack.
inline Actions& Arr(Actions& a, const std::vector<PushValue>& values) {
  std::vector<PushValue> v(values.rbegin(), values.rend());
  v.push_back(static_cast<int>(values.size()));
  return a.Push(v).Op(Action::InitArray);
}

// An object of literal members on the stack.
inline Actions& Obj(Actions& a, const std::vector<std::pair<std::string, PushValue>>& members) {
  for (auto& [name, value] : members) a.Push({PushValue(name), value});
  return a.Push({static_cast<int>(members.size())}).Op(Action::InitObject);
}

// name = the value on top of the stack (which is taken).
inline Actions& Store(Actions& a, const std::string& name) {
  return a.StoreRegister(3).Op(Action::Pop).Push({name, swfasm::Register{3}}).Op(Action::SetVariable);
}

inline Actions& SetArray(Actions& a, const std::string& name, const std::vector<PushValue>& values) {
  return Store(Arr(a, values), name);
}

// name = new ctor(args)
inline Actions& SetNew(Actions& a, const std::string& name, const std::string& ctor,
                       const std::vector<PushValue>& args = {}) {
  a.Push({name});
  Args(a, args).Push({ctor}).Op(Action::NewObject);
  return a.Op(Action::SetVariable);
}

// trace(var), with var possibly a dotted path.
inline Actions& Show(Actions& a, const std::string& var) { return a.TraceVar(var); }

// obj.member = value, obj a variable.
inline Actions& SetMember(Actions& a, const std::string& var, const std::string& member, PushValue value) {
  return a.Push({var}).Op(Action::GetVariable).Push({PushValue(member), value}).Op(Action::SetMember);
}

}  // namespace swftest

namespace swftest {

// trace() of the names a for..in over var visits, joined without separators; label names the loop.
inline Actions& TraceKeys(Actions& a, const std::string& var, const std::string& label) {
  a.Push({"keys_", ""}).Op(Action::SetVariable);
  a.Push({var}).Op(Action::Enumerate).Label(label);
  a.Op(Action::PushDuplicate).Push({swfasm::Null{}}).Op(Action::Equals2).If(label + "_end");
  a.Push({"keys_"}).Op(Action::StackSwap).Push({"keys_"}).Op(Action::GetVariable).Op(Action::StackSwap);
  a.Op(Action::Add2).Op(Action::SetVariable).Jump(label);
  return a.Label(label + "_end").Op(Action::Pop).TraceVar("keys_");
}

// return <the named variable or member path>
inline Actions Returning(const std::string& var) {
  Actions a;
  a.Push({var}).Op(Action::GetVariable).Op(Action::Return);
  return a;
}

}  // namespace swftest
