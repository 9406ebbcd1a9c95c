#include "resources/DialogTemplates.h"

#include <initializer_list>

#include "app/ControlIds.h"
#include "app/LineLists.h"
#include "app/MonitorDialog.h"
#include "shell/LinkRules.h"

namespace lirosa {

const ControlTemplate* DialogTemplate::Find(int controlId) const {
  if (controlId == kNoId) return nullptr;
  for (const ControlTemplate& control : controls) {
    if (control.id == controlId) return &control;
  }
  return nullptr;
}

namespace {

using K = ControlKind;

// The request area is known by the pixel positions it takes when restored
// from maximized; at 1.5 px per unit its template units are those pixels
// over 1.5, to the nearest unit.
constexpr int Du(int pixels) { return (2 * pixels + 1) / 3; }

ControlTemplate Control(int id, ControlKind kind, const char* text, int x, int y, int width,
                        int height, unsigned style = kStyleNone) {
  ControlTemplate control;
  control.id = id;
  control.kind = kind;
  control.text = text;
  control.x = x;
  control.y = y;
  control.width = width;
  control.height = height;
  control.style = style;
  return control;
}

// The same control given by its restored pixel rectangle.
ControlTemplate FromPixels(int id, ControlKind kind, const char* text, int x, int y, int width,
                           int height, unsigned style = kStyleNone) {
  return Control(id, kind, text, Du(x), Du(y), Du(width), Du(height), style);
}

template <typename Texts>
ControlTemplate List(int id, int x, int y, int width, int listHeight, const Texts& texts,
                     unsigned style = kStyleNone) {
  // A closed drop-down list is one edit line high whatever its open height.
  ControlTemplate control =
      Control(id, K::DropDownList, "", x, y, width, 12, style | kStyleVScroll);
  control.listHeight = listHeight;
  for (const char* text : texts) control.entries.emplace_back(text);
  return control;
}

DialogTemplate BuildMainTemplate() {
  constexpr unsigned kDigits = kStyleDigitsOnly;
  constexpr unsigned kCounter = kStyleDigitsOnly | kStyleReadOnly;
  constexpr unsigned kRight = kStyleRightAligned;
  constexpr std::initializer_list<const char*> kNoEntries = {};

  DialogTemplate t;
  t.id = 102;
  t.caption = kAppTitle;
  t.width = 526;
  t.height = 325;
  auto& c = t.controls;

  // Port panel.
  c.push_back(Control(kNoId, K::GroupBox, "", 5, 0, 98, 114));
  c.push_back(Control(kNoId, K::Label, "Порт", 18, 11, 33, 8));
  // The list is filled at start-up (COM1 ... COM20 and the devices found);
  // its text can be typed so that any device path, a pseudo-terminal for
  // one, can be opened.
  c.push_back(List(kIdPortList, 51, 8, 46, 96, kNoEntries, kStyleEditableList));
  c.push_back(Control(kNoId, K::Label, "Скорость", 16, 24, 33, 8, kRight));
  // Editable: any other rate can be typed.
  c.push_back(List(kIdBaudList, 51, 21, 46, 193, kBaudEntries, kStyleEditableList));
  c.push_back(Control(kNoId, K::Label, "Кол-во bit", 16, 37, 33, 8, kRight));
  c.push_back(List(kIdDataBitsList, 51, 34, 46, 67, kDataBitsEntries));
  c.push_back(Control(kNoId, K::Label, "Четность", 16, 50, 33, 8, kRight));
  c.push_back(List(kIdParityList, 51, 47, 46, 80, kParityEntries));
  c.push_back(Control(kNoId, K::Label, "Стоп bit", 16, 63, 33, 8, kRight));
  c.push_back(List(kIdStopBitsList, 51, 60, 46, 41, kStopBitsEntries));
  c.push_back(Control(kNoId, K::Label, "Состояние", 6, 74, 29, 21));
  c.push_back(Control(kIdStateLamp, K::Picture, "", 36, 79, 14, 11));
  c.push_back(Control(kIdOpenClose, K::PushButton, "Старт", 51, 76, 46, 14));
  c.push_back(Control(kNoId, K::Label, "Отпра", 18, 97, 17, 8));
  c.push_back(Control(kIdTrafficLamps, K::Picture, "", 37, 93, 31, 8));
  c.push_back(Control(kNoId, K::Label, "Приня", 79, 97, 17, 8));

  // Display options and capture.
  c.push_back(Control(kNoId, K::GroupBox, "", 7, 112, 98, 73));
  c.push_back(Control(kIdClearDisplay, K::PushButton, "не требуется", 12, 119, 45, 14));
  c.push_back(Control(kIdHexDisplay, K::CheckBox, "16 bit", 63, 121, 39, 10));
  c.push_back(Control(kIdPauseDisplay, K::PushButton, "не требуется", 12, 134, 45, 14));
  c.push_back(Control(kIdAutoClear, K::ThreeStateCheckBox, "да ", 63, 131, 38, 19));
  c.push_back(Control(kIdCapture, K::PushButton, "не требуется", 12, 149, 45, 14));
  c.push_back(Control(kIdChooseCaptureFile, K::PushButton, "не требуется", 61, 149, 40, 14));
  c.push_back(Control(kIdCaptureFileName, K::Edit, "", 12, 166, 89, 14, kStyleReadOnly));

  // Counters and the file-sending lines.
  c.push_back(Control(kNoId, K::GroupBox, "", 110, 0, 82, 113));
  c.push_back(Control(kNoId, K::Label, "Кол -во запросов", 115, 12, 25, 8));
  c.push_back(Control(kIdRequestsSent, K::Edit, "", 154, 11, 32, 12, kCounter));
  c.push_back(Control(kNoId, K::Label, "Отправил ", 115, 25, 33, 8));
  c.push_back(Control(kIdSentBytes, K::Edit, "", 154, 26, 32, 12, kCounter));
  c.push_back(Control(kNoId, K::Label, "Принят", 115, 38, 25, 8));
  c.push_back(Control(kIdReceivedFrames, K::Edit, "", 154, 38, 32, 12, kCounter));
  c.push_back(Control(kNoId, K::Label, "Принял b", 115, 52, 33, 8));
  c.push_back(Control(kIdReceivedBytes, K::Edit, "", 154, 52, 32, 12, kCounter));
  c.push_back(Control(kIdResetCounters, K::PushButton, "Сброс", 114, 66, 36, 14));
  c.push_back(Control(kIdNoAction, K::PushButton, "Сброс", 151, 66, 36, 14));
  c.push_back(Control(kNoId, K::Label, "ряд", 116, 85, 33, 8));
  c.push_back(Control(kIdFileLineCount, K::Edit, "", 159, 82, 27, 12, kCounter));
  c.push_back(Control(kNoId, K::Label, "опрос ряд", 115, 99, 41, 8));
  c.push_back(Control(kIdFileCurrentLine, K::Edit, "", 159, 96, 27, 12, kCounter));

  // Receive options.
  c.push_back(Control(kNoId, K::GroupBox, "", 109, 112, 82, 73));
  c.push_back(Control(kIdShowSent, K::CheckBox, "получение", 114, 119, 64, 10));
  c.push_back(Control(kIdTimeStamp, K::CheckBox, "врмя хранения", 114, 131, 63, 10));
  c.push_back(Control(kIdNewLine, K::CheckBox, "нет", 114, 143, 37, 10));
  c.push_back(Control(kIdKeywordFilter, K::CheckBox, "ключевое слово", 114, 156, 72, 8));
  c.push_back(Control(kNoId, K::Label, "Ввод", 113, 169, 25, 8));
  c.push_back(Control(kIdKeyword, K::Edit, "", 140, 166, 47, 14));

  // Traffic display.
  c.push_back(Control(kIdTrafficView, K::RichEdit, "", 195, 4, 325, 181, kStyleVScroll));

  // Request area: frames first so that they lie under their contents.
  c.push_back(Control(kIdRequestGroup, K::GroupBox, "", 5, 184, 513, 72));
  c.push_back(FromPixels(kIdCycleGroup, K::GroupBox, "Повторная отправка ", 10, 387, 300, 94));
  c.push_back(FromPixels(kIdPropsGroup1, K::GroupBox, "Свойства запроса", 315, 387, 150, 94));
  c.push_back(FromPixels(kIdPropsGroup2, K::GroupBox, "Свойство запроса", 470, 387, 150, 94));
  c.push_back(FromPixels(kIdPropsGroup3, K::GroupBox, "Свойство запроса", 625, 387, 154, 94));

  // The three request rows.
  const int requestIds[3] = {kIdRequest1, kIdRequest2, kIdRequest3};
  const int labelIds[3] = {kIdLabelRequest1, kIdLabelRequest2, kIdLabelRequest3};
  const int clearIds[3] = {kIdClear1, kIdClear2, kIdClear3};
  const int sendIds[3] = {kIdSend1, kIdSend2, kIdSend3};
  for (int i = 0; i < 3; ++i) {
    c.push_back(FromPixels(labelIds[i], K::Label, "Запрос", 21, 297 + 30 * i, 45, 20));
    c.push_back(FromPixels(clearIds[i], K::PushButton, "сброс", 70, 291 + 30 * i, 35, 20));
    c.push_back(FromPixels(sendIds[i], K::PushButton, "отправить", 107, 291 + 30 * i, 55, 20));
    c.push_back(FromPixels(requestIds[i], K::MultiLineEdit, "", 168, 288 + 30 * i, 468, 30));
  }
  c.push_back(FromPixels(kIdLink1100, K::Picture, "", 638, 287, 70, 45));
  c.push_back(FromPixels(kIdLink1101, K::Picture, "", 708, 287, 70, 45));
  c.push_back(FromPixels(kIdLink1102, K::Picture, "", 638, 333, 70, 45));
  c.push_back(FromPixels(kIdLink1103, K::Picture, "", 708, 333, 70, 45));

  // "Повторная отправка ": cyclic sending of all requests and file sending.
  c.push_back(FromPixels(kIdSendOnce, K::CheckBox, "Один раз", 18, 405, 100, 22));
  c.push_back(FromPixels(kIdLabelCyclePeriod, K::Label, "Период", 108, 410, 30, 20));
  c.push_back(FromPixels(kIdCyclePeriod, K::Edit, "", 140, 406, 46, 18, kDigits));
  c.push_back(FromPixels(kIdLabelCycleMs, K::Label, "ms", 192, 410, 15, 20));
  c.push_back(
      FromPixels(kIdPacingPeriodic, K::RadioButton, "Setup", 168, 430, 60, 22, kStyleGroupStart));
  c.push_back(
      FromPixels(kIdPacingResponse, K::RadioButton, "Последующий запрос", 18, 430, 140, 22));
  c.push_back(FromPixels(kIdLabelTimeout, K::Label, "Задержка", 21, 457, 50, 20));
  c.push_back(FromPixels(kIdResponseTimeout, K::Edit, "", 75, 453, 30, 20, kDigits));
  c.push_back(FromPixels(kIdLabelTimeoutUnit, K::Label, "s", 107, 457, 15, 20));
  c.push_back(FromPixels(kIdLabelRetry, K::Label, "повтор ш", 127, 457, 50, 20));
  c.push_back(FromPixels(kIdRetryLimit, K::Edit, "", 180, 453, 30, 20, kDigits));
  c.push_back(FromPixels(kIdChooseSendFile, K::PushButton, "файл", 218, 404, 86, 22));
  c.push_back(FromPixels(kIdFileCycling, K::PushButton, "повтор файла", 218, 428, 86, 22));
  c.push_back(FromPixels(kIdAllRequests, K::PushButton, "Все запросы", 218, 452, 86, 22));

  // Properties of requests 1, 2, 3. The template captions of requests 2
  // and 3 were lost to the code page; they are the same as request 1's.
  struct Props {
    int hex, autoSend, repeat, checksum, periodLabel, period, msLabel;
    int hexX, repeatX, checksumX, periodLabelX, periodX, msX;
  };
  const Props props[3] = {
      {kIdHex1, kIdAuto1, kIdRepeat1, kIdChecksum1, kIdLabelPeriod1, kIdPeriod1, kIdLabelMs1, 324,
       384, 388, 320, 380, 430},
      {kIdHex2, kIdAuto2, kIdRepeat2, kIdChecksum2, kIdLabelPeriod2, kIdPeriod2, kIdLabelMs2, 477,
       537, 540, 480, 540, 585},
      {kIdHex3, kIdAuto3, kIdRepeat3, kIdChecksum3, kIdLabelPeriod3, kIdPeriod3, kIdLabelMs3, 632,
       692, 696, 634, 690, 740},
  };
  for (const Props& p : props) {
    c.push_back(FromPixels(p.hex, K::CheckBox, "16 bit", p.hexX, 405, 80, 22));
    c.push_back(FromPixels(p.checksum, K::PushButton, "меню", p.checksumX, 408, 40, 20));
    c.push_back(FromPixels(p.autoSend, K::CheckBox, "Авто", p.hexX, 428, 60, 22));
    c.push_back(FromPixels(p.repeat, K::CheckBox, "повтор ", p.repeatX, 428, 80, 22));
    c.push_back(FromPixels(p.periodLabel, K::Label, "Период", p.periodLabelX, 457, 50, 20));
    c.push_back(FromPixels(p.period, K::Edit, "", p.periodX, 453, 40, 20, kDigits));
    c.push_back(FromPixels(p.msLabel, K::Label, "ms", p.msX, 457, 15, 20));
  }

  c.push_back(Control(kIdHiddenStatic, K::Label, "", 509, 313, 10, 8, kStyleHidden));
  c.push_back(Control(kIdStayOnTop, K::OwnerDrawButton, "", 0, 315, 10, 10));
  return t;
}

DialogTemplate BuildChecksumTemplate() {
  DialogTemplate t;
  t.id = 129;
  t.caption = "Настройка";
  t.width = 143;
  t.height = 151;
  auto& c = t.controls;
  c.push_back(Control(kNoId, K::GroupBox, "", 7, 3, 129, 122));
  const char* captions[7] = {"16 CRC", "16 CRC", "8 CRC", "8 SUM", "8 XOR", "CRC32", "CRC32"};
  const int ys[7] = {16, 31, 46, 61, 76, 91, 105};
  for (int i = 0; i < 7; ++i) {
    c.push_back(Control(kChecksumRadioIds[i], K::RadioButton, captions[i], 28, ys[i], 90, 10,
                        i == 0 ? kStyleGroupStart : kStyleNone));
  }
  c.push_back(Control(kIdOk, K::PushButton, "Да ", 25, 132, 42, 14, kStyleDefaultButton));
  c.push_back(Control(kIdCancel, K::PushButton, "Нет", 77, 132, 40, 14));
  return t;
}

DialogTemplate BuildAboutTemplate() {
  DialogTemplate t;
  t.id = 100;
  t.caption = "О программе Lirosa";
  t.width = 236;
  t.height = 112;
  auto& c = t.controls;
  c.push_back(Control(kNoId, K::EtchedFrame, "", 7, 7, 222, 78));
  c.push_back(Control(kNoId, K::Label, "Lirosa 4.5", 16, 13, 120, 9));
  c.push_back(Control(kNoId, K::Label, "June 2024", 150, 13, 70, 9, kStyleRightAligned));
  c.push_back(Control(kNoId, K::EtchedFrame, "", 16, 25, 204, 1));
  c.push_back(Control(kNoId, K::Label, "Serial-port terminal for testing devices on a serial line",
                      16, 30, 204, 9));
  c.push_back(Control(kNoId, K::EtchedFrame, "", 16, 43, 204, 1));
  c.push_back(Control(kNoId, K::Label, "Questions and updates:", 16, 48, 204, 9));
  c.push_back(
      Control(kIdAboutLink, K::Label, kAboutLinkAddress, 16, 59, 204, 11, kStyleCenterImage));
  c.push_back(Control(kNoId, K::EtchedFrame, "", 16, 75, 204, 1));
  c.push_back(Control(kIdOk, K::PushButton, "ОК", 179, 92, 50, 14, kStyleDefaultButton));
  return t;
}

}  // namespace

const DialogTemplate& MainDialogTemplate() {
  static const DialogTemplate kTemplate = BuildMainTemplate();
  return kTemplate;
}

const DialogTemplate& ChecksumDialogTemplate() {
  static const DialogTemplate kTemplate = BuildChecksumTemplate();
  return kTemplate;
}

const DialogTemplate& AboutDialogTemplate() {
  static const DialogTemplate kTemplate = BuildAboutTemplate();
  return kTemplate;
}

}  // namespace lirosa
