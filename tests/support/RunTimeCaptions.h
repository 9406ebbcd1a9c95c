#pragma once

#include <utility>

#include "app/ControlIds.h"

namespace lirosa::test {

// The captions the program gives its buttons while it runs, each of which
// must fit the control as well as the template's own caption does.
inline constexpr std::pair<int, const char*> kRunTimeCaptions[] = {
    {kIdOpenClose, "打开串口"},       {kIdOpenClose, "关闭串口"},
    {kIdPauseDisplay, "继续显示"},    {kIdPauseDisplay, "停止显示"},
    {kIdCapture, "停止保存"},         {kIdCapture, "保存数据"},
    {kIdAllRequests, "停止轮发"},     {kIdAllRequests, "开始轮发"},
    {kIdFileCycling, "停止文件轮发"}, {kIdFileCycling, "开始文件轮发"}};

}  // namespace lirosa::test
