#include "builtin_commands.h"

#include <windows.h>

#include <memory>
#include <vector>

#include "builtin_rules.h"
#include "common/shared_rules.h"
#include "framework/program_path.h"
#include "fscommand/fscommand_log.h"
#include "flash_player_host.h"
#include "image_window.h"
#include "player_dialog.h"
#include "shockwave_flash.h"

namespace projector {

namespace {

BuiltInLogger g_logger;

std::vector<POINT> ToPoints(const std::vector<player::Point>& points) {
  std::vector<POINT> out;
  out.reserve(points.size());
  for (const auto& p : points) out.push_back({p.x, p.y});
  return out;
}

// Carries out a command and gives its result; an empty result leaves "fscmd_ret" as it was.
struct Outcome {
  const wchar_t* answer;  // what "fscmd_ret" becomes, or null to leave it
  const wchar_t* logged;
};
constexpr Outcome kDone{L"1", L"1"};
constexpr Outcome kNotDone{L"0", L"0"};
constexpr Outcome kKept{nullptr, L"0"};

Outcome ShowImage(const std::vector<std::wstring>& fields) {
  auto request = player::ReadShowImage(fields);
  if (!request) return kDone;
  auto window = std::make_unique<ImageWindow>();
  if (!window->Create(request->rect.left, request->rect.top, request->rect.right, request->rect.bottom))
    return kNotDone;
  FSCommandLog& log = FSCommandLog::Instance();
  ImageWindow* shown = window.get();
  log.AddImageWindow(std::move(window));
  if (log.imageIcon()) shown->SetIcon(log.imageIcon());
  shown->SetTitle(request->title);
  shown->Open(request->path, request->fit);
  return kDone;
}

Outcome Run(const BuiltInTarget& target, player::BuiltInCommand command, const std::vector<std::wstring>& fields) {
  using player::BuiltInCommand;
  DragRegion& drag = ProcessDragRegion();
  switch (command) {
    case BuiltInCommand::kAllowScale: {
      if (IsAuthoringTool(target.programPath.empty() ? framework::ExecutablePath() : target.programPath)) return kKept;
      bool allow = !fields.empty() && player::IsTrueValue(fields[0]);
      if (target.control && !target.transparent) target.control->SetScaleMode(allow ? 0 : 3);
      drag.SetAllowScale(allow);
      SetAllowScale(allow);
      return kDone;
    }
    case BuiltInCommand::kFullScreen: {
      if (IsAuthoringTool(target.programPath.empty() ? framework::ExecutablePath() : target.programPath)) return kKept;
      if (target.transparent) return kNotDone;
      if (!fields.empty() && player::IsTrueValue(fields[0]))
        EnterFullScreen();
      else
        LeaveFullScreen();
      return kDone;
    }
    case BuiltInCommand::kDragAddRect:
    case BuiltInCommand::kDragAddEllipse:
    case BuiltInCommand::kDragSubRect:
    case BuiltInCommand::kDragSubEllipse: {
      auto r = player::ReadShapeRect(fields);
      if (!r) return kNotDone;
      if (command == BuiltInCommand::kDragAddRect) drag.AddRect(r->left, r->top, r->right, r->bottom);
      if (command == BuiltInCommand::kDragAddEllipse) drag.AddEllipse(r->left, r->top, r->right, r->bottom);
      if (command == BuiltInCommand::kDragSubRect) drag.SubtractRect(r->left, r->top, r->right, r->bottom);
      if (command == BuiltInCommand::kDragSubEllipse) drag.SubtractEllipse(r->left, r->top, r->right, r->bottom);
      return kDone;
    }
    case BuiltInCommand::kDragAddPoly:
    case BuiltInCommand::kDragSubPoly: {
      auto points = player::ReadPolygon(fields);
      if (!points) return kNotDone;
      if (command == BuiltInCommand::kDragAddPoly)
        drag.AddPolygon(ToPoints(*points));
      else
        drag.SubtractPolygon(ToPoints(*points));
      return kDone;
    }
    case BuiltInCommand::kDragCancel:
      drag.Cancel();
      return kDone;
    case BuiltInCommand::kShowImage:
      return ShowImage(fields);
  }
  return kNotDone;
}

}  // namespace

bool IsAuthoringTool(const std::wstring& programPath) { return common::IsAuthoringToolPath(programPath); }

void SetBuiltInLogger(BuiltInLogger logger) { g_logger = std::move(logger); }

bool HandleBuiltInCommand(const BuiltInTarget& target, const std::wstring& command, const std::wstring& args) {
  if (!target.movie) return false;
  auto found = player::FindBuiltInCommand(command);
  if (!found) return false;
  Outcome outcome = Run(target, *found, SplitFields(args, L','));
  if (outcome.answer) SetReturnValue(*target.movie, outcome.answer);
  if (g_logger) g_logger(command, args, outcome.logged);
  return true;
}

}  // namespace projector
