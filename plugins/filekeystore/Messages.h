// Errors of the file key storage. The manager interface passes them to the
// caller unchanged, so each one names its cause in words a user understands and
// carries a code of its own in the key-storage range (30xxx).
//
// They are thrown as `Kernel::CKernelException`, the library's exported type,
// which is complete in its installed header: the plugin needs nothing of the
// library's private objects to report a coded failure.
#pragma once

#include "core/Cp1251.h"
#include "core/Message.h"
#include "kernel/CKernelException.h"

namespace tavrpki::filekeystore {

// Throws `Kernel::CKernelException` with the code and the format filled from
// the arguments (the message is cut at the exception's 4095 characters).
[[noreturn]] void Raise(Message message, ...);

inline constexpr Message kMsgStorageMissing{
    30010, Cp1251<"Сховище ключів '%s' не існує або не є каталогом.">};
inline constexpr Message kMsgStorageNotWritable{
    30011, Cp1251<"Сховище ключів '%s' недоступне для запису (%s).">};
inline constexpr Message kMsgKeyNotFound{30012, Cp1251<"Ключ '%s' не знайдено у сховищі ключів.">};
inline constexpr Message kMsgWrongPassword{30013, Cp1251<"Невірний пароль до ключа '%s'.">};
inline constexpr Message kMsgContainerDamaged{
    30014, Cp1251<"Контейнер ключа '%s' пошкоджено (%s).">};
inline constexpr Message kMsgNotAContainer{
    30015, Cp1251<"Файл ключа '%s' не є контейнером ключа цього формату.">};
inline constexpr Message kMsgContainerVersion{
    30016, Cp1251<"Версія %u контейнера ключа '%s' не підтримується.">};
inline constexpr Message kMsgBadKeyName{30017, Cp1251<"Неприпустиме ім'я ключа '%s'.">};
inline constexpr Message kMsgWriteFailed{
    30018, Cp1251<"Помилка запису контейнера ключа '%s' (%s); попередній вміст не змінено.">};
inline constexpr Message kMsgReadFailed{30019, Cp1251<"Помилка читання контейнера ключа '%s' (%s).">};
inline constexpr Message kMsgNoTerminal{
    30020, Cp1251<"Немає термінала для введення пароля; змініть пароль, вказавши старий і новий.">};
inline constexpr Message kMsgPasswordsDiffer{30021, Cp1251<"Нові паролі не збігаються.">};
inline constexpr Message kMsgBufferTooSmall{30022, Cp1251<"Не достатній розмір буфера для %s.">};
inline constexpr Message kMsgNoDefaultStorage{
    30023, Cp1251<"Не вдалося визначити типове сховище ключів: не задано ні XDG_DATA_HOME, ні HOME.">};
inline constexpr Message kMsgBadArgument{30024, Cp1251<"Не вказано обов'язковий параметр: %s.">};
inline constexpr Message kMsgKeyTooLarge{30025, Cp1251<"Ключ або опис ключа '%s' завеликий для контейнера.">};

}  // namespace tavrpki::filekeystore
