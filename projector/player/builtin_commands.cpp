#include "builtin_commands.h"

#include <windows.h>

#include <memory>
#include <vector>

#include "builtin_rules.h"
#include "common/shared_rules.h"
#include "framework/program_path.h"
#include "flash_player_host.h"
#include "image_window.h"
#include "shockwave_flash.h"

namespace projector {

namespace {

std::vector<POINT> ToPoints(const std::vector<player::Point>& points) {
  std::vector<POINT> out;
  out.reserve(points.size());
  for (const auto& p : points) out.push_back({p.x, p.y});
  return out;
}

// What a command gives: an empty answer leaves "fscmd_ret" as it was.
struct Outcome {
  const wchar_t* answer;  // what "fscmd_ret" becomes, or null to leave it
  const wchar_t* logged;
};
constexpr Outcome kDone{L"1", L"1"};
constexpr Outcome kNotDone{L"0", L"0"};
constexpr Outcome kKept{nullptr, L"0"};

Outcome ShowImage(FSCommandBridge& bridge, const std::vector<std::wstring>& fields) {
  auto request = player::ReadShowImage(fields);
  if (!request) return kDone;
  auto window = std::make_unique<ImageWindow>();
  if (!window->Create(request->rect.left, request->rect.top, request->rect.right, request->rect.bottom))
    return kNotDone;
  FSCommandLog& log = bridge.log();
  ImageWindow* shown = window.get();
  bridge.AddImageWindow(std::move(window));
  if (log.imageIcon()) shown->SetIcon(log.imageIcon());
  shown->SetTitle(request->title);
  shown->Open(request->path, request->fit);
  return kDone;
}

// `authoringTool` is asked only by the commands the authoring tool keeps for itself.
Outcome Run(FSCommandBridge& bridge, const CommandSource& source, const std::function<bool()>& authoringTool,
            player::BuiltInCommand command, const std::vector<std::wstring>& fields) {
  using player::BuiltInCommand;
  DragRegion& drag = bridge.dragRegion();
  switch (command) {
    case BuiltInCommand::kAllowScale: {
      if (authoringTool()) return kKept;
      bool allow = !fields.empty() && player::IsTrueValue(fields[0]);
      if (source.control && !source.transparent) source.control->SetScaleMode(allow ? 0 : 3);
      drag.SetAllowScale(allow);
      SetAllowScale(allow);
      return kDone;
    }
    case BuiltInCommand::kFullScreen: {
      if (authoringTool()) return kKept;
      if (source.transparent) return kNotDone;
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
      return ShowImage(bridge, fields);
  }
  return kNotDone;
}

}  // namespace

BuiltInCommands::BuiltInCommands(FSCommandBridge& bridge)
    : bridge_(bridge),
      logger_([&bridge](const std::wstring& command, const std::wstring& args, const std::wstring& result) {
        bridge.log().LogCommand(command, args, result);
      }) {}

bool BuiltInCommands::AuthoringTool() const {
  return IsAuthoringTool(programPath_.empty() ? framework::ExecutablePath() : programPath_);
}

bool IsAuthoringTool(const std::wstring& programPath) { return common::IsAuthoringToolPath(programPath); }

bool BuiltInCommands::HandleBuiltIn(const CommandSource& source, const std::wstring& command,
                                    const std::wstring& args) {
  if (!source.movie) return false;
  auto found = player::FindBuiltInCommand(command);
  if (!found) return false;
  Outcome outcome = Run(bridge_, source, [this] { return AuthoringTool(); }, *found, SplitFields(args, L','));
  if (outcome.answer) SetReturnValue(*source.movie, outcome.answer);
  if (logger_) logger_(command, args, outcome.logged);
  return true;
}

}  // namespace projector
