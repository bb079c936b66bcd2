#pragma once
// Helpers the families of built-in classes share, and the installers builtins.cpp calls.
#include <cmath>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>

#include "interpreter.h"

namespace swf {

// Makes a built-in function and stores it, hidden from enumeration, as owner[name].
FunctionObject* Native(Runtime& rt, Object* owner, const char* name, NativeFn fn);
// A constructor with its prototype linked both ways, stored in the global object.
FunctionObject* Constructor(Runtime& rt, const char* name, Object* proto, NativeFn call, NativeFn construct = {});
// Adds a version flag (kFromVersion6...) to built-ins that movies of earlier versions do not have.
void AddVersionFlag(Object* owner, std::initializer_list<const char*> names, uint16_t flag);
// Stores a value that scripts cannot change or enumerate (the constants of Math and Number).
void Constant(Object* owner, const char* name, const Value& v);

double Arg(Interpreter& in, std::span<const Value> args, size_t i, double fallback = std::nan(""));
std::string ArgString(Interpreter& in, std::span<const Value> args, size_t i);
// Conversions at the version of the running movie, with numbers never read the fourth version's way.
double Num(Interpreter& in, const Value& v);
std::string Str(Interpreter& in, const Value& v);
ArrayObject* SelfArray(const Value& self);
ArrayObject* NewArray(Runtime& rt);
// Integer part of a number argument, clamped to [lo, hi]; NaN gives fallback.
double IntArg(Interpreter& in, std::span<const Value> args, size_t i, double fallback, double lo, double hi);

void InstallObject(Runtime& rt, FunctionObject* objectCtor);
void InstallFunction(Runtime& rt);
void InstallArray(Runtime& rt);
void InstallString(Runtime& rt);
void InstallNumberAndBoolean(Runtime& rt);
void InstallMath(Runtime& rt);
void InstallDate(Runtime& rt);
void InstallGlobalFunctions(Runtime& rt);

// The host's clock and time zone as Date sees them; tests replace them.
struct DateHost {
  std::function<double()> nowMs;                 // milliseconds since 1970 UTC
  std::function<double(double utcMs)> offsetMs;  // local time minus UTC at that instant
};
DateHost& GetDateHost();
// Flash's text of a time: "Tue Dec 8 07:37:48 GMT+0000 2026".
std::string DateString(double utcMs);

// unescape's decoding, which loaded variables share: '+' is a blank, "%41" is 'A'.
std::string Unescape(const std::string& s);

// Flash's number printing with a radix other than ten.
std::string NumberToRadix(double v, int radix);

}  // namespace swf
