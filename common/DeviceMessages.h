#pragma once

#include <QString>

// The texts the device layer writes to the message log.
namespace seiran::msg {

inline const QString kInterfaceErrorRefusal =
    QStringLiteral("現在InterfaceError状態のため、コマンドを送信できません。");

inline const QString kParamCountNotMultipleOf8 = QStringLiteral("PrmCountが8の倍数ではありません。");
inline const QString kParamCountOutOfRange = QStringLiteral("PrmCountが範囲外です。");
inline const QString kReadCountNotMultipleOf8 = QStringLiteral("USBRCountが8の倍数ではありません。");
inline const QString kReadCountOutOfRange = QStringLiteral("USBRCountが範囲外です。");
inline const QString kVendorLengthOutOfRange = QStringLiteral("VendorLengthが範囲外です。");

inline const QString kSendSequenceError = QStringLiteral("送信シーケンスエラー");
inline const QString kReceiveSequenceError = QStringLiteral("受信シーケンス１エラー");

// Transfer diagnostics of the kernel-driver path (shown while ReportTransferErrors is on).
inline const QString kWriteTransferError = QStringLiteral("Error on write transfer");
inline const QString kReadTransferError = QStringLiteral("Error on read transfer");
inline const QString kVendorTransferError = QStringLiteral("Error on Vendor Command read transfer");

// A transfer failed because the instrument left the bus; InterfaceError is set.
inline const QString kInstrumentGone = QStringLiteral("セイランとの接続が切れました。");

// Open results.
inline const QString kOpenDriverUnavailable = QStringLiteral("USBドライバをオープンできません。");
inline const QString kOpenNotFound = QStringLiteral("セイランが見つかりません。");
inline const QString kOpenNotThisProduct = QStringLiteral("接続している機器はセイランではありません。");
inline const QString kOpenSeveralAttached = QStringLiteral("複数のセイランを接続しています。");

} // namespace seiran::msg
