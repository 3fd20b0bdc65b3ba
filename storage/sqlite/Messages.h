// Errors of the SQLite certificate store. The storage interface passes them to
// the library's caller unchanged, so each names its cause in words a user
// understands and carries a code of the store's own range (31xxx).
//
// They are thrown as `Kernel::CKernelException`, the library's exported type,
// complete in its installed header.
#pragma once

#include "core/Cp1251.h"
#include "core/Message.h"
#include "kernel/CKernelException.h"

namespace tavrpki::sqlitestore {

// Throws `Kernel::CKernelException` with the code and the format filled from the
// arguments. Texts passed for %s are UTF-8 (paths, SQLite's reasons) and are
// converted to Windows-1251, the code page of every message.
[[noreturn]] void Raise(Message message, ...);

inline constexpr Message kMsgOpenFailed{
    31001, Cp1251<"Не вдалося відкрити сховище сертифікатів '%s' (%s).">};
inline constexpr Message kMsgNotAStore{
    31002, Cp1251<"Файл '%s' не є сховищем сертифікатів або пошкоджений (%s).">};
inline constexpr Message kMsgNewerSchema{
    31003, Cp1251<"Сховище сертифікатів '%s' має схему версії %d, новішу за підтримувану (%d); оновіть програму.">};
inline constexpr Message kMsgDatabaseFailed{
    31004, Cp1251<"Помилка сховища сертифікатів '%s' (%s); зміну не внесено.">};
inline constexpr Message kMsgItemNotFound{
    31005, Cp1251<"Об'єкт з ідентифікатором %lld не знайдено в сховищі сертифікатів.">};
inline constexpr Message kMsgNotAnItem{
    31006, Cp1251<"Дані не є сертифікатом або списком відкликаних сертифікатів (%s).">};
inline constexpr Message kMsgUnknownCriterion{
    31007, Cp1251<"Невідомий вид критерію пошуку %u.">};
inline constexpr Message kMsgBufferTooSmall{
    31008, Cp1251<"Не достатній розмір буфера: потрібно %u байт.">};
inline constexpr Message kMsgReadOnly{
    31009, Cp1251<"Сховище сертифікатів '%s' відкрито лише для читання; зміну не внесено.">};
inline constexpr Message kMsgNoDefaultStore{
    31010, Cp1251<"Не вдалося визначити типове сховище сертифікатів: не задано ні XDG_DATA_HOME, ні HOME.">};
inline constexpr Message kMsgBadArgument{31011, Cp1251<"Не вказано обов'язковий параметр: %s.">};
inline constexpr Message kMsgWrongKind{
    31012, Cp1251<"Дані є %s, а не %s.">};
inline constexpr Message kMsgTooLarge{
    31013, Cp1251<"Об'єкт завеликий для сховища сертифікатів (%zu байт).">};
inline constexpr Message kMsgBadRecord{
    31014, Cp1251<"Невірні дані запису про відкликання: %s.">};
inline constexpr Message kMsgNumberTaken{
    31015, Cp1251<"Список номер %lld не є наступним для ЦС (наступний %lld): тим часом записано інший список; зміну не внесено.">};
inline constexpr Message kMsgBaseNotNewest{
    31016, Cp1251<"Базовий список номер %lld не є останнім повним списком ЦС; зміну не внесено.">};
inline constexpr Message kMsgBusy{
    31017, Cp1251<"Сховище сертифікатів '%s' зайняте іншим процесом довше за %d с; зміну не внесено.">};

}  // namespace tavrpki::sqlitestore
