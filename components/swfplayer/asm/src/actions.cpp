// AVM1 code writer: encodes actions and resolves jump labels.
#include <bit>
#include <cstring>
#include <cassert>
#include <stdexcept>

#include "bit_writer.h"
#include "swfplayer/asm/actions.h"

namespace swfasm {
namespace {
void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(x & 0xFF);
  v.push_back(x >> 8);
}
void PutString(std::vector<uint8_t>& v, const std::string& s) {
  v.insert(v.end(), s.begin(), s.end());
  v.push_back(0);
}
}  // namespace

void Actions::Emit(uint8_t code, const std::vector<uint8_t>& payload) {
  // An action's length field has 16 bits: a longer payload cannot be written at all.
  if (payload.size() > 0xFFFF) throw std::length_error("an action's payload exceeds 65535 bytes");
  code_.push_back(code);
  if (code >= 0x80) {
    Put16(code_, static_cast<uint16_t>(payload.size()));
    code_.insert(code_.end(), payload.begin(), payload.end());
  }
}

Actions& Actions::Op(Action a) {
  Emit(static_cast<uint8_t>(a), {});
  return *this;
}

Actions& Actions::Raw(uint8_t code, const std::vector<uint8_t>& payload) {
  code_.push_back(code);
  if (code >= 0x80 || !payload.empty()) {
    Put16(code_, static_cast<uint16_t>(payload.size()));
    code_.insert(code_.end(), payload.begin(), payload.end());
  }
  return *this;
}

Actions& Actions::Push(std::initializer_list<PushValue> values) { return Push(std::vector<PushValue>(values)); }

Actions& Actions::Push(const std::vector<PushValue>& values) {
  std::vector<uint8_t> p;
  for (const PushValue& v : values) {
    if (auto* s = std::get_if<std::string>(&v)) {
      p.push_back(0);
      PutString(p, *s);
    } else if (auto* cs = std::get_if<const char*>(&v)) {
      p.push_back(0);
      PutString(p, *cs);
    } else if (auto* d = std::get_if<double>(&v)) {
      p.push_back(6);
      auto bits = std::bit_cast<uint64_t>(*d);
      uint32_t hi = static_cast<uint32_t>(bits >> 32), lo = static_cast<uint32_t>(bits);
      for (int i = 0; i < 4; ++i) p.push_back(static_cast<uint8_t>(hi >> (8 * i)));
      for (int i = 0; i < 4; ++i) p.push_back(static_cast<uint8_t>(lo >> (8 * i)));
    } else if (auto* n = std::get_if<int>(&v)) {
      p.push_back(7);
      auto u = static_cast<uint32_t>(*n);
      for (int i = 0; i < 4; ++i) p.push_back(static_cast<uint8_t>(u >> (8 * i)));
    } else if (auto* b = std::get_if<bool>(&v)) {
      p.push_back(5);
      p.push_back(*b ? 1 : 0);
    } else if (std::holds_alternative<Null>(v)) {
      p.push_back(2);
    } else if (std::holds_alternative<Undefined>(v)) {
      p.push_back(3);
    } else if (auto* r = std::get_if<Register>(&v)) {
      p.push_back(4);
      p.push_back(r->index);
    } else if (auto* c = std::get_if<Constant>(&v)) {
      if (c->index < 256) {
        p.push_back(8);
        p.push_back(static_cast<uint8_t>(c->index));
      } else {
        p.push_back(9);
        Put16(p, c->index);
      }
    }
  }
  Emit(0x96, p);
  return *this;
}

Actions& Actions::PushFloat(float f) {
  std::vector<uint8_t> p{1};
  auto u = std::bit_cast<uint32_t>(f);
  for (int i = 0; i < 4; ++i) p.push_back(static_cast<uint8_t>(u >> (8 * i)));
  Emit(0x96, p);
  return *this;
}

Actions& Actions::ConstantPool(const std::vector<std::string>& strings) {
  std::vector<uint8_t> p;
  Put16(p, static_cast<uint16_t>(strings.size()));
  for (auto& s : strings) PutString(p, s);
  Emit(0x88, p);
  return *this;
}

Actions& Actions::Label(const std::string& name) {
  labels_[name] = code_.size();
  return *this;
}

Actions& Actions::Jump(const std::string& label) {
  Emit(0x99, {0, 0});
  fixups_.push_back({code_.size() - 2, code_.size(), label});
  return *this;
}

Actions& Actions::If(const std::string& label) {
  Emit(0x9D, {0, 0});
  fixups_.push_back({code_.size() - 2, code_.size(), label});
  return *this;
}

Actions& Actions::GotoFrame(uint16_t frame) {
  std::vector<uint8_t> p;
  Put16(p, frame);
  Emit(0x81, p);
  return *this;
}

Actions& Actions::GotoLabel(const std::string& label) {
  std::vector<uint8_t> p;
  PutString(p, label);
  Emit(0x8C, p);
  return *this;
}

Actions& Actions::GotoFrame2(bool play, uint16_t sceneBias) {
  std::vector<uint8_t> p{static_cast<uint8_t>((play ? 1 : 0) | (sceneBias ? 2 : 0))};
  if (sceneBias) Put16(p, sceneBias);
  Emit(0x9F, p);
  return *this;
}

Actions& Actions::GetUrl(const std::string& url, const std::string& target) {
  std::vector<uint8_t> p;
  PutString(p, url);
  PutString(p, target);
  Emit(0x83, p);
  return *this;
}

Actions& Actions::GetUrl2(uint8_t flags) {
  Emit(0x9A, {flags});
  return *this;
}

Actions& Actions::SetTarget(const std::string& target) {
  std::vector<uint8_t> p;
  PutString(p, target);
  Emit(0x8B, p);
  return *this;
}

Actions& Actions::StoreRegister(uint8_t reg) {
  Emit(0x87, {reg});
  return *this;
}

Actions& Actions::WaitForFrame(uint16_t frame, uint8_t skip) {
  std::vector<uint8_t> p;
  Put16(p, frame);
  p.push_back(skip);
  Emit(0x8A, p);
  return *this;
}

Actions& Actions::DefineFunction(const std::string& name, const std::vector<std::string>& params,
                                 const Actions& body) {
  std::vector<uint8_t> b = body.Body();
  std::vector<uint8_t> p;
  PutString(p, name);
  Put16(p, static_cast<uint16_t>(params.size()));
  for (auto& s : params) PutString(p, s);
  Put16(p, static_cast<uint16_t>(b.size()));
  Emit(0x9B, p);
  code_.insert(code_.end(), b.begin(), b.end());
  return *this;
}

Actions& Actions::DefineFunction2(const std::string& name, const std::vector<FunctionParam>& params,
                                  uint8_t registerCount, uint16_t flags, const Actions& body) {
  std::vector<uint8_t> b = body.Body();
  std::vector<uint8_t> p;
  PutString(p, name);
  Put16(p, static_cast<uint16_t>(params.size()));
  p.push_back(registerCount);
  Put16(p, flags);
  for (auto& param : params) {
    p.push_back(param.reg);
    PutString(p, param.name);
  }
  Put16(p, static_cast<uint16_t>(b.size()));
  Emit(0x8E, p);
  code_.insert(code_.end(), b.begin(), b.end());
  return *this;
}

Actions& Actions::Try(const Actions& body, const Actions* onCatch, const std::string& catchVariable,
                      const Actions* onFinally) {
  std::vector<uint8_t> t = body.Body();
  std::vector<uint8_t> c = onCatch ? onCatch->Body() : std::vector<uint8_t>{};
  std::vector<uint8_t> f = onFinally ? onFinally->Body() : std::vector<uint8_t>{};
  std::vector<uint8_t> p{static_cast<uint8_t>((onCatch ? 1 : 0) | (onFinally ? 2 : 0))};
  Put16(p, static_cast<uint16_t>(t.size()));
  Put16(p, static_cast<uint16_t>(c.size()));
  Put16(p, static_cast<uint16_t>(f.size()));
  PutString(p, catchVariable);
  Emit(0x8F, p);
  code_.insert(code_.end(), t.begin(), t.end());
  code_.insert(code_.end(), c.begin(), c.end());
  code_.insert(code_.end(), f.begin(), f.end());
  return *this;
}

Actions& Actions::With(const Actions& body) {
  std::vector<uint8_t> b = body.Body();
  std::vector<uint8_t> p;
  Put16(p, static_cast<uint16_t>(b.size()));
  Emit(0x94, p);
  code_.insert(code_.end(), b.begin(), b.end());
  return *this;
}

Actions& Actions::Trace(const std::string& text) {
  Push({text});
  return Op(Action::Trace);
}

Actions& Actions::TraceVar(const std::string& name) {
  Push({name});
  Op(Action::GetVariable);
  return Op(Action::Trace);
}

Actions& Actions::Set(const std::string& name, PushValue value) {
  Push({PushValue(name), value});
  return Op(Action::SetVariable);
}

Actions& Actions::Call(const std::string& function, const std::vector<PushValue>& args) {
  std::vector<PushValue> values(args.rbegin(), args.rend());
  values.push_back(static_cast<int>(args.size()));
  values.push_back(function);
  Push(values);
  return Op(Action::CallFunction);
}

std::vector<uint8_t> Actions::Body() const {
  std::vector<uint8_t> out = code_;
  for (const Fixup& f : fixups_) {
    auto it = labels_.find(f.label);
    assert(it != labels_.end() && "jump to a label that was never placed");
    if (it == labels_.end()) continue;
    auto offset = static_cast<int16_t>(static_cast<int64_t>(it->second) - static_cast<int64_t>(f.after));
    out[f.at] = static_cast<uint8_t>(offset & 0xFF);
    out[f.at + 1] = static_cast<uint8_t>((static_cast<uint16_t>(offset) >> 8) & 0xFF);
  }
  return out;
}

std::vector<uint8_t> Actions::Bytes() const {
  std::vector<uint8_t> out = Body();
  out.push_back(0);
  return out;
}

}  // namespace swfasm
