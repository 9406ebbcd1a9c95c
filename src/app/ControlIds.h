#pragma once

// Control identifiers of the main window (dialog template 102), the checksum
// dialog (129) and the about box (100). The numbers are the keys of the
// window logic: handlers, data exchange and layout all refer to them.
namespace lirosa {

// Main window: port panel.
inline constexpr int kIdPortList = 2040;
inline constexpr int kIdBaudList = 2000;
inline constexpr int kIdDataBitsList = 2001;
inline constexpr int kIdParityList = 2002;
inline constexpr int kIdStopBitsList = 2003;
inline constexpr int kIdOpenClose = 1003;
inline constexpr int kIdStateLamp = 1004;
inline constexpr int kIdTrafficLamps = 1056;

// Traffic display.
inline constexpr int kIdTrafficView = 1054;

// Request slots 1, 2, 3.
inline constexpr int kIdRequest1 = 1002;
inline constexpr int kIdRequest2 = 1007;
inline constexpr int kIdRequest3 = 1008;
inline constexpr int kIdSend1 = 1018;
inline constexpr int kIdSend2 = 1021;
inline constexpr int kIdSend3 = 1022;
inline constexpr int kIdClear1 = 1044;
inline constexpr int kIdClear2 = 1045;
inline constexpr int kIdClear3 = 1046;
inline constexpr int kIdChecksum1 = 1040;
inline constexpr int kIdChecksum2 = 1041;
inline constexpr int kIdChecksum3 = 1042;
inline constexpr int kIdHex1 = 1024;
inline constexpr int kIdHex2 = 1027;
inline constexpr int kIdHex3 = 1033;
inline constexpr int kIdAuto1 = 1025;
inline constexpr int kIdAuto2 = 1029;
inline constexpr int kIdAuto3 = 1034;
inline constexpr int kIdPeriod1 = 1026;
inline constexpr int kIdPeriod2 = 1030;
inline constexpr int kIdPeriod3 = 1037;
inline constexpr int kIdRepeat1 = 1035;
inline constexpr int kIdRepeat2 = 1036;
inline constexpr int kIdRepeat3 = 1038;

// Cyclic sending ("Повторная отправка ").
inline constexpr int kIdCyclePeriod = 1028;
inline constexpr int kIdPacingPeriodic = 1032;
inline constexpr int kIdPacingResponse = 1043;
inline constexpr int kIdResponseTimeout = 1068;
inline constexpr int kIdRetryLimit = 1069;
inline constexpr int kIdSendOnce = 1031;
inline constexpr int kIdAllRequests = 1039;

// File sending.
inline constexpr int kIdChooseSendFile = 1060;
inline constexpr int kIdFileCycling = 1061;
inline constexpr int kIdFileLineCount = 1071;
inline constexpr int kIdFileCurrentLine = 1072;

// Display options, capture, key word.
inline constexpr int kIdHexDisplay = 1009;
inline constexpr int kIdAutoClear = 1014;
inline constexpr int kIdTimeStamp = 1023;
inline constexpr int kIdNewLine = 1020;
inline constexpr int kIdShowSent = 1066;
inline constexpr int kIdKeywordFilter = 1005;
inline constexpr int kIdKeyword = 1006;
inline constexpr int kIdClearDisplay = 1010;
inline constexpr int kIdPauseDisplay = 1011;
inline constexpr int kIdCapture = 1015;
inline constexpr int kIdChooseCaptureFile = 1016;
inline constexpr int kIdCaptureFileName = 1017;

// Counters.
inline constexpr int kIdRequestsSent = 1062;
inline constexpr int kIdReceivedFrames = 1063;
inline constexpr int kIdSentBytes = 1064;
inline constexpr int kIdReceivedBytes = 1065;
inline constexpr int kIdResetCounters = 1067;
inline constexpr int kIdNoAction = 1073;

// Window shell.
inline constexpr int kIdStayOnTop = 1074;
inline constexpr int kIdLink1100 = 1100;
inline constexpr int kIdLink1101 = 1101;
inline constexpr int kIdLink1102 = 1102;
inline constexpr int kIdLink1103 = 1103;
inline constexpr int kIdHiddenStatic = 1096;

// Request-area labels and frames moved by the layout.
inline constexpr int kIdRequestGroup = 1075;
inline constexpr int kIdLabelRequest1 = 1076;
inline constexpr int kIdLabelRequest2 = 1077;
inline constexpr int kIdLabelRequest3 = 1078;
inline constexpr int kIdLabelPeriod1 = 1079;
inline constexpr int kIdLabelMs1 = 1080;
inline constexpr int kIdLabelPeriod2 = 1081;
inline constexpr int kIdLabelMs2 = 1082;
inline constexpr int kIdLabelPeriod3 = 1083;
inline constexpr int kIdLabelMs3 = 1084;
inline constexpr int kIdLabelCyclePeriod = 1085;
inline constexpr int kIdCycleGroup = 1086;
inline constexpr int kIdPropsGroup1 = 1087;
inline constexpr int kIdPropsGroup2 = 1088;
inline constexpr int kIdPropsGroup3 = 1089;
inline constexpr int kIdLabelRetry = 1090;
inline constexpr int kIdLabelCycleMs = 1091;
inline constexpr int kIdLabelTimeout = 1092;
inline constexpr int kIdLabelTimeoutUnit = 1093;

// Checksum dialog (template 129): radios in template order, then OK/Cancel.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kChecksumRadioIds[7] = {1041, 1042, 1031, 1032, 1043, 1058, 1059};

// About box (template 100).
inline constexpr int kIdAboutLink = 1106;

// Timers and the system-menu command.
inline constexpr int kLineTimerId = 1;
inline constexpr int kLampTimerId = 2;
inline constexpr int kLineTimerMs = 10;
inline constexpr int kLampTimerMs = 10;
inline constexpr int kSysCommandAbout = 0x0010;

}  // namespace lirosa
