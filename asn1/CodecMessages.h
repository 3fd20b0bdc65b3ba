// The uncoded messages (code 0xFFFFFFFF) of the DER codec, its buffers and texts.
// Coded codec messages (50006, 50007, 50012, 50021, 50022) live in core/Catalogue.h.
//
// Wrapper messages ("Error decoding ...: %s") take the inner message, so that a
// failure deep inside a structure reads from the outer type to the failing one.
#pragma once

#include "core/Cp1251.h"
#include "core/Exception.h"

namespace tavrpki {

// Buffers and texts.
inline constexpr Message kMsgBlobOutOfBuffer{kNoCode, "Blob: out of buffer"};
inline constexpr Message kMsgStringOutOfBuffer{kNoCode, "String: Out of buffer"};
// Two blanks after the colon, as the message has always been worded.
inline constexpr Message kMsgHexBadSize{kNoCode, Cp1251<"Помилка кодування даних:  некоректний розмір закодованих даних">};
inline constexpr Message kMsgHexBadCharacter{kNoCode, Cp1251<"Помилка кодування даних: знайдено недопустимий символ">};
inline constexpr Message kMsgHexBadOutput{kNoCode, Cp1251<"Помилка кодування даних: некоректне значення вхідного параметру">};

// Identifier and length octets.
inline constexpr Message kMsgInsufficientBlobSize{kNoCode, "Insufficient blob size"};
inline constexpr Message kMsgNoLengthOctets{kNoCode, "No length octets found"};
inline constexpr Message kMsgLengthExceedsLimits{kNoCode, "Estimated size exceeds limits"};
inline constexpr Message kMsgTagNumberTooLarge{kNoCode, "Tag number exceeds 32 bits"};
inline constexpr Message kMsgDecodePrimitive{kNoCode, "Error decoding Primitive Value: %s"};
inline constexpr Message kMsgEncodePrimitive{kNoCode, "Error encoding Primitive Value: %s"};

// INTEGER.
inline constexpr Message kMsgNotInteger{kNoCode, "Blob is not a valid ASN1Integer"};
inline constexpr Message kMsgDecodeInteger{kNoCode, "Error decoding ASN1Integer: %s"};
inline constexpr Message kMsgEncodeInteger{kNoCode, "Error encoding ASN1Integer: %s"};
inline constexpr Message kMsgPrimitiveNotInteger{kNoCode, Cp1251<"Буфер не є коректним кодованим цілим числом">};

// OBJECT IDENTIFIER.
inline constexpr Message kMsgNotOid{kNoCode, "Blob is not a valid OID"};
inline constexpr Message kMsgDecodeOid{kNoCode, "Error decoding OID: %s"};
inline constexpr Message kMsgEncodeOid{kNoCode, "Error encoding OID: %s"};
inline constexpr Message kMsgInvalidOidString{kNoCode, "Invalid OID String"};
inline constexpr Message kMsgOidEmpty{kNoCode, Cp1251<"OID буфер порожній">};
// A sub-identifier not terminated, or an arc beyond 32 bits.
inline constexpr Message kMsgOidMalformed{kNoCode, "OID content is malformed"};
inline constexpr Message kMsgOidIndexOutOfRange{kNoCode, Cp1251<"OID індекс виходить за межі масиву">};

// OCTET STRING and BIT STRING.
inline constexpr Message kMsgNotOctetString{kNoCode, "Blob is not a valid Octet String"};
inline constexpr Message kMsgDecodeOctetString{kNoCode, "Error decoding Octet String: %s"};
inline constexpr Message kMsgEncodeOctetString{kNoCode, "Error encoding Octet String: %s"};
inline constexpr Message kMsgNotBitString{kNoCode, "Blob is not a valid Bit String"};
inline constexpr Message kMsgDecodeBitString{kNoCode, "Error decoding Bit String: %s"};
inline constexpr Message kMsgEncodeBitString{kNoCode, "Error encoding Bit String: %s"};
// DER always has the unused-bits octet; content of length 0 is refused.
inline constexpr Message kMsgBitStringNoUnusedBits{kNoCode, "Bit String has no unused bits octet"};

// BOOLEAN.
inline constexpr Message kMsgNotBool{kNoCode, Cp1251<"Буфер не є коректною кодованою величиною bool">};
inline constexpr Message kMsgDecodeBool{kNoCode, Cp1251<"Помилка розкодування bool: %s">};
inline constexpr Message kMsgEncodeBool{kNoCode, Cp1251<"Помилка кодування bool: %s">};
inline constexpr Message kMsgBoolNotSet{kNoCode, "Bool value not set"};
inline constexpr Message kMsgBoolBadLength{kNoCode, Cp1251<"Некоректна довжина значення bool">};

// Strings and times.
inline constexpr Message kMsgNotPrintableString{kNoCode, Cp1251<"Буфер не є коректним друкованим рядком">};
inline constexpr Message kMsgDecodePrintableString{kNoCode, "Error decoding Printable String: %s"};
inline constexpr Message kMsgEncodePrintableString{kNoCode, "Error encoding Printable String: %s"};
inline constexpr Message kMsgNotUtf8String{kNoCode, Cp1251<"Примітивний елемент не є правильним UTF8 рядком">};
inline constexpr Message kMsgBadTimeLength{kNoCode, Cp1251<"Некоректна довжина der-кодування часу UTC">};
// Digits in the right places that name no real moment (month 13, 31 April, 24:00, offset +2500).
inline constexpr Message kMsgImpossibleTime{kNoCode, Cp1251<"Неможлива дата або час у der-кодуванні часу">};

// Names.
inline constexpr Message kMsgNotName{kNoCode, Cp1251<"Буфер не є коректною кодованою структурою імені">};

// Base64 transport text.
inline constexpr Message kMsgBase64BadCharacter{kNoCode, "Base64: invalid character"};
inline constexpr Message kMsgBase64BadLength{kNoCode, "Base64: truncated or badly padded text"};

}  // namespace tavrpki
