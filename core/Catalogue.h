// The catalogue of codes and messages. Every coded failure the library reports is
// one of these entries; messages are held as Windows-1251 bytes, written readable
// here. Where one code carries two messages there are two entries; several codes
// share one wording. Texts are verbatim, misspellings included: callers match them.
#pragma once

#include "core/Cp1251.h"
#include "core/Exception.h"

namespace tavrpki {

// 30001-30003: the key storage manager library.
inline constexpr Message kMsgKeyStorageLibraryBadFormat{30001, Cp1251<"Бібліотека сховища ключів не відповідає потрібному формату.">};
inline constexpr Message kMsgKeyStorageLibraryNotLoaded{30002, Cp1251<"Бібліотека сховища ключів не завантажена.">};
inline constexpr Message kMsgKeyStorageLibraryLoadFailed{30003, Cp1251<"Помилка завантаження бібліотеки сховища ключів.  GetLastError() = 0x%0x">};

// 40003-40014: cryptographic adapters.
inline constexpr Message kMsgCryptoCore{40003, Cp1251<"Низкорівнева криптографічна помилка (code=%x)!">};
inline constexpr Message kMsgPrivateKeyCheckFailed{40004, Cp1251<"Секретний ключ не може будти перевірено.">};
inline constexpr Message kMsgPublicKeyCheckFailed{40005, Cp1251<"Відкритий ключ не може бути перевірено.">};
inline constexpr Message kMsgWrongKeyUsage{40006, Cp1251<"Не вірне використання ключа.">};
inline constexpr Message kMsgInvalidHandle{40009, Cp1251<"Не вірний handle.">};
inline constexpr Message kMsgRandomNumberFailed{40012, Cp1251<"Нема можливості сформувати вірне випадкове число.">};
inline constexpr Message kMsgRandomNotInitialized{40013, Cp1251<"Генератор випадкових послідовностей не ініціалізовано.">};
inline constexpr Message kMsgBadSBox{40014, Cp1251<"Некоректна таблиця замін (ДКЕ): рядок не є перестановкою чисел 0-15.">};

// 50006-50058: decoding and handling of DER structures.
inline constexpr Message kMsgToUnicodeFailed{50006, Cp1251<"Помилка конвертації в unicode. Код системної помилки %d">};
inline constexpr Message kMsgToUtf8Failed{50007, Cp1251<"Помилка конвертації в utf8. Код системної помилки %d">};
inline constexpr Message kMsgAttributeNotFound{50012, Cp1251<"Атрибут не знайдено">};
inline constexpr Message kMsgRequestAttributesEmpty{50015, Cp1251<"Масив додаткових атрибутів запиту порожній">};
inline constexpr Message kMsgRequestAttributeNotFound{50016, Cp1251<"Шуканий атрибут запиту не знайдено">};
inline constexpr Message kMsgIntegerCompareFailed{50021, Cp1251<"Не вдалося порівняти ASN1Integer. Некоректні параметри">};
inline constexpr Message kMsgIntegerConvertFailed{50022, Cp1251<"Не вдалося конвертувати ASN1Integer. Некоректні параметри">};
inline constexpr Message kMsgBadCertExtensions{50024, Cp1251<"Буфер не є коректним кодованим розширенням сертифікату">};
inline constexpr Message kMsgBadTbsCertificate{50026, Cp1251<"Некоректна структура інформаційної частини сертифікату">};
inline constexpr Message kMsgPolynomialTypeNotSet{50028, Cp1251<"Тип поліному не встановлений">};
inline constexpr Message kMsgBadECBinaryDecode{50029, Cp1251<"Буфер не є коректною кодованою структурою ECBinary">};
inline constexpr Message kMsgBadECBinaryEncode{50030, Cp1251<"Буфер не є коректною кодованою структурою ECBinary">};
inline constexpr Message kMsgBadCertificate{50031, Cp1251<"Буфер не є коректною кодованою структурою сертифікату">};
inline constexpr Message kMsgBadCrlEntry{50032, Cp1251<"Буфер не є коректною кодованою структурою одиночного запису СВС">};
inline constexpr Message kMsgUnknownCrlExtension{50033, Cp1251<"Невідоме розширення СВС">};
inline constexpr Message kMsgCrlTimeNotSet{50034, Cp1251<"Час створення СВС не встановлено">};
inline constexpr Message kMsgBadCrl{50035, Cp1251<"Буфер не є коректною кодованою структурою списку відкликаних сертифікатів">};
inline constexpr Message kMsgNothingToSign{50036, Cp1251<"Буфер для підписання порожній">};
inline constexpr Message kMsgBadQcStatement{50037, Cp1251<"Некоректне значення qc statement">};
inline constexpr Message kMsgBadBasicConstraints{50038, Cp1251<"Некоректне базове обмеження">};
inline constexpr Message kMsgBadCertificatePolicy{50039, Cp1251<"Некоректна політика сертифікату">};
inline constexpr Message kMsgBadExtendedKeyUsage{50040, Cp1251<"Некоректне уточнене призначення ключа">};
inline constexpr Message kMsgBadAuthorityKeyId{50041, Cp1251<"Некоректний ідентифікатор ключа ЦСК">};
inline constexpr Message kMsgBadOcspSingleRequest{50042, Cp1251<"Некоректний одиночний ocsp запит в списку запитів">};
inline constexpr Message kMsgBadOcspResponse50043{50043, Cp1251<"Некоректна структура ocsp відповіді">};
inline constexpr Message kMsgBadOcspRequest{50043, Cp1251<"Некоректна структура ocsp запиту">};
inline constexpr Message kMsgBadOcspResponse{50044, Cp1251<"Некоректна структура ocsp відповіді">};
inline constexpr Message kMsgBadOcspSingleResponse{50045, Cp1251<"Некоректна одиночна ocsp відповідь в списку відповідей">};
inline constexpr Message kMsgBadDistributionPoint{50049, Cp1251<"Помилка розкодування точки розповсюдження">};
inline constexpr Message kMsgBadAuthorityInfoAccess{50050, Cp1251<"Помилка розкодування AUTH_ACCESS_INFO">};
inline constexpr Message kMsgBadContentInfo{50051, Cp1251<"Помилка розкодування структури CONTENT_INFO">};
inline constexpr Message kMsgBadSignerInfo{50052, Cp1251<"Помилка розкодування структури даних підписувача">};
inline constexpr Message kMsgBadSignedData{50053, Cp1251<"Помилка розкодування структури підписаних даних">};
inline constexpr Message kMsgBadTstInfo{50054, Cp1251<"Помилка розкодування структури підписаних даних">};
inline constexpr Message kMsgBadSignedData50055{50055, Cp1251<"Помилка розкодування структури підписаних даних">};
inline constexpr Message kMsgSignedAttributeNotFound{50056, Cp1251<"Атрибут не знайдено">};
inline constexpr Message kMsgBadEssCertId{50057, Cp1251<"Помилка обробки структури EssCertID">};
inline constexpr Message kMsgBadAttributeCollection{50058, Cp1251<"Помилка обробки колекції атрибутів">};

// 60001-60002: key usage of key pairs.
inline constexpr Message kMsgBadSignKeyUsage{60001, Cp1251<"Не вірно задано використання ключа для ключової пари підпису">};
inline constexpr Message kMsgBadCryptKeyUsage{60002, Cp1251<"Не вірно задано використання ключа для ключової пари шифрування">};

// 70000-70001: internal binary objects.
inline constexpr Message kMsgItemIndexOutOfRange{70000, "Index out of range."};
inline constexpr Message kMsgItemBufferEmpty{70001, "Buffer is empty."};

// 100000-100066: exported operations.
inline constexpr Message kMsgBufferTooSmall{100000, Cp1251<"Не достатній розмір буфуре">};
inline constexpr Message kMsgCertSignatureAlgorithmUnsupported{100001, Cp1251<"В сертифікаті вказано алгоритм підпису що не підтримується.">};
inline constexpr Message kMsgRequestSignatureAlgorithmUnsupported{100002, Cp1251<"В запиті на сертифікат вказано алгоритм підпису що не підтримується">};
inline constexpr Message kMsgNoDateAfterBeforeExtension{100003, Cp1251<"Розширене поле DateAfterBefore не знайдено в сертификаті.">};
inline constexpr Message kMsgNoContainerNameExtension{100004, Cp1251<"Розширене поле ContainerName не знайдено в сертификаті.">};
inline constexpr Message kMsgExtensionNotFound{100004, Cp1251<"Розширене поле %s не знайдено в сертификаті.">};
inline constexpr Message kMsgNoCryptPublicKeyExtension{100005, Cp1251<"Розширене поле CryptPublicKey не знайдено в сертификаті.">};
inline constexpr Message kMsgNoSBoxExtension{100006, Cp1251<"Розширене поле CryptPublicKey не знайдено в сертификаті.">};
inline constexpr Message kMsgBadPermissionsFormat{100007, Cp1251<"Вказано не вірний формат прав користувача.">};
inline constexpr Message kMsgNoSubjectKeyIdExtension{100009, Cp1251<"Розширене поле SubjectKeyIdentifier не знайдено в сертификаті.">};
inline constexpr Message kMsgNoAuthorityKeyIdExtension{100010, Cp1251<"Розширене поле AuthorityKeyIdentifier не знайдено в сертификаті.">};
inline constexpr Message kMsgCaCertificateNotFound{100011, Cp1251<"Не знайдено сертификат ЦС (%s).">};
inline constexpr Message kMsgChainEmpty{100012, Cp1251<"Послідовність сертифікатів порожня.">};
inline constexpr Message kMsgCertificateNotValidNow{100013, Cp1251<"Строк дії сертифікату не співпадає з поточною датою. Сертифікат: %s">};
inline constexpr Message kMsgNoBasicConstraintsExtension{100014, Cp1251<"Розширене поле BasicConstraints не знайдено в сертификаті. Сертифікат: %s">};
inline constexpr Message kMsgBadCaBasicConstraints{100015, Cp1251<"Не вірне розширене поле BasicConstraints для сертифікату ЦС.">};
inline constexpr Message kMsgPathLengthExceeded{100016, Cp1251<"Досягнуто обмеження на довжину послідовності сертифікатів ЦС. Сертифікат: %s">};
inline constexpr Message kMsgNoKeyUsageExtension{100017, Cp1251<"Розширене поле KeyUsage не знайдено в сертификаті. Сертифікат: %s">};
inline constexpr Message kMsgKeyUsageLacksValue{100018, Cp1251<"Розширене поле KeyUsage не містить необхідне значення. Сертифікат: %s">};
inline constexpr Message kMsgCrlSignatureAlgorithmUnsupported{100019, Cp1251<"Алгоритм підпису CRL не підтримується.">};
inline constexpr Message kMsgCertStorageNotSet{100020, Cp1251<"Сховище сертифікатів не ініціалізовано.">};
inline constexpr Message kMsgInvalidParameter{100021, Cp1251<"Вказано не вірне значення параметру.">};
inline constexpr Message kMsgNoCrlSignKeyUsage{100022, Cp1251<"Сертифікат не містить обов'язкового використання ключа CRL_SIGN.">};
inline constexpr Message kMsgBadCaCertificateSignature{100023, Cp1251<"Не вірний підпис сертифікату одного із ЦС.">};
inline constexpr Message kMsgBadCrlSignature{100024, Cp1251<"Не вірний підпис CRL. Видавець: %s, Серійний номер: %s">};
inline constexpr Message kMsgCertificateRevoked{100025, Cp1251<"Сертифікат відкликано. Власник: %s">};
inline constexpr Message kMsgCertificateCannotSignCrl{100026, Cp1251<"Сертифікат не може буди використано для підпису CRL.">};
inline constexpr Message kMsgNoDeltaCrlIndicator{100027, Cp1251<"Розширене поле Delta CRL Indicator не знайдено в CRL.">};
inline constexpr Message kMsgExportableKeyCannotBeSaved{100028, Cp1251<"Ключ, що створено як EXPORTABLE не може бути збережено.">};
inline constexpr Message kMsgKeyNotExportable{100029, Cp1251<"Ключ, що створено не як EXPORTABLE не може бути експортовано.">};
inline constexpr Message kMsgKeyMustBeExportable{100030, Cp1251<"Ключ повинен бути EXPORTABLE.">};
inline constexpr Message kMsgCertContextFailed{100031, Cp1251<"Помилка формування структури PCCERT_CONTEXT. Код помилки 0x%0x.">};
inline constexpr Message kMsgCrlContextFailed{100032, Cp1251<"Помилка формування структури PCCRL_CONTEXT. Код помилки 0x%0x.">};
inline constexpr Message kMsgNoAuthorityInfoAccess{100033, Cp1251<"Розширене поле Authority Inforamtion Access не знайдено в сертифікаті.">};
inline constexpr Message kMsgOcspServerError{100034, Cp1251<"Помилка OCSP серверу. Код помилки %d, Описання: %s ">};
inline constexpr Message kMsgBadAuthorityInfoAccessFormat{100034, Cp1251<"Не вірний формат розширеного поля Authority Inforamtion Access.">};
inline constexpr Message kMsgOcspNoCertificateStatus{100035, Cp1251<"Відповідь OCSP сервера не містить інформацію про сертифікат.">};
inline constexpr Message kMsgOcspNoIssuerKeyHash{100036, Cp1251<"Відповідь OCSP сервера не містить обов'язкове поле (хеш ключа ЦС).">};
inline constexpr Message kMsgOcspSignerCaNotFound{100037, Cp1251<"Сертифікат ЦС, що підписав OCSP відповідь, не знайдено в сховищі.">};
inline constexpr Message kMsgOcspSignatureUnverifiable{100038, Cp1251<"Підпис відповіді OCSP серверу не може буди перевірено.">};
inline constexpr Message kMsgOcspCertificateRevoked{100039, Cp1251<"Відповідь OCSP серверу: сертифікат відкликано. Код %d, причина: %s, Сертифікат %s.">};
inline constexpr Message kMsgOcspStatusUnknown{100040, Cp1251<"Відповідь OCSP серверу: неможливо визначити статус сертифікату">};
inline constexpr Message kMsgChainIndexOutOfRange{100041, Cp1251<"Вказано не вірне значення індексу елементу">};
inline constexpr Message kMsgOcspSignerNoExtendedKeyUsage{100042, Cp1251<"В сертифікаті ЦС, що підписав відповідь, не знайдено обов'язкове розширене поле EXTENDED KEY USAGE.">};
inline constexpr Message kMsgOcspSignerCannotSignOcsp{100043, Cp1251<"Сертифікат ЦС, що підписав відповідь, не може бути використано для підпису OCSP відповідей.">};
inline constexpr Message kMsgSignerInfoFromCertFailed{100044, Cp1251<"Неможливо створити структуру даних підписувача на основі сертифікату ">};
inline constexpr Message kMsgSignerInfoUnknownError{100045, Cp1251<"Невідома помилка обробки структури даних підписувача">};
inline constexpr Message kMsgSetSignerAttributeFailed{100046, Cp1251<"Неможливо встановити значення атрибуту даних підписувача. Атрибут: %s. Помилка: %s ">};
inline constexpr Message kMsgGetSignerAttributeFailed{100047, Cp1251<"Неможливо отримати значення атрибуту даних підписувача. Атрибут: %s. Помилка: %s ">};
inline constexpr Message kMsgSignedDataError{100049, Cp1251<"Помилка обробки підписаних даних">};
inline constexpr Message kMsgSignerInfoCheckFailed{100050, Cp1251<"Помилка перевірки даних підписувача перед підписанням">};
inline constexpr Message kMsgSignedDataEncodeFailed{100051, Cp1251<"Помилка DER закодування структури підписаних даних">};
inline constexpr Message kMsgChainLacksCertificate{100052, Cp1251<"Послідовність сертифікатів не містить поточний сертифікат.">};
inline constexpr Message kMsgCertificateNotInStorage{100053, Cp1251<"Сертифікат '%s' на знайдено в сховищі сертифікатів.">};
inline constexpr Message kMsgRootNotTrusted{100054, Cp1251<"Не має довіри до сертифікату кореневого ЦС з послідовності сертифікатів.">};
inline constexpr Message kMsgCrlIssuerCertificateNotFound{100056, Cp1251<"Не знайдено сертифікат, що належить ЦС, що підписав СВС.">};
inline constexpr Message kMsgOcspSignerCaSignatureUnverifiable{100057, Cp1251<"Підпис сертифіката ЦС, що підписав OCSP відповідь, не може бути перевірено.">};
inline constexpr Message kMsgEnvelopeWrongState{100058, Cp1251<"Метод не може бути виконаний в поточному стані об'єкта шифрованих даних">};
inline constexpr Message kMsgEnvelopeInitFailed{100059, Cp1251<"Неможливо ініціалізувати шифрування для об'єкта шифрованих даних">};
inline constexpr Message kMsgNoTemplateNameExtension{100060, Cp1251<"Розширене поле TemplateName не знайдено в сертификаті.">};
inline constexpr Message kMsgEnvelopeNoKeyForCertificate{100061, Cp1251<"Ключ розшифрування не знайдений в шифрованому об'єкті для даного сертифікату">};
inline constexpr Message kMsgEnvelopeRecipientNotAdded{100062, Cp1251<"Ключ розшифрування не знайдений в шифрованому об'єкті для даного сертифікату">};
inline constexpr Message kMsgEnvelopeUnknownError{100063, Cp1251<"Невідома помилка об'єкта шифрованих даних">};
inline constexpr Message kMsgEnvelopeIndexOutOfRange{100064, Cp1251<"Вказано не вірне значення індексу елементу">};
inline constexpr Message kMsgTspSignerNoExtendedKeyUsage{100066, Cp1251<"В сертифікаті ЦС, що підписав відмітку часу, не знайдено обов'язкове розширене поле EXTENDED KEY USAGE.">};

// 150000-150002: configuration store.
inline constexpr Message kMsgRegistryOpenFailed{150000, Cp1251<"Помилка відкриття ключа реєстру. (%s)">};
inline constexpr Message kMsgRegistryReadFailed{150001, Cp1251<"Помилка читання даних реєстру. (Ключ %s  Значення %s)">};
inline constexpr Message kMsgRegistryWrongType{150002, Cp1251<"Не вірний тип даних реєстру. (Ключ %s  Значення %s)">};

// 160000: object-identifier table.
inline constexpr Message kMsgOidNotInitialized{160000, "OID is not initialized."};

// 230000: version of algorithm parameters.
inline constexpr Message kMsgParamsVersionUnsupported{230000, Cp1251<"Версія параметрів криптоалгоритмів не підтримується.">};

// 280000-280003: external extension-handling module.
inline constexpr Message kMsgExtModuleUnsupportedExtension{280000, Cp1251<"Зовнішній модуль обробки розширень сертифікатів не підтримує обробку розширення. OID = %s">};
inline constexpr Message kMsgExtModuleNotLoaded{280001, Cp1251<"Зовнішній модуль обробки розширень сертифікатів не загружено, або загружено з помилками">};
inline constexpr Message kMsgExtModuleBadParameters{280002, Cp1251<"Не вірно передано параметри">};
inline constexpr Message kMsgExtModuleError{280003, Cp1251<"Помилка роботи з модулем обробки розширених полів. Код помилки %d">};

// Uncoded messages (code 0xFFFFFFFF) of the audit log. The codec's live in asn1/CodecMessages.h.
inline constexpr Message kMsgCantOpenLogFile{kNoCode, "Can't open log file"};
inline constexpr Message kMsgLogFileIoError{kNoCode, "Log file I/O error"};

// Uncoded messages (code 0xFFFFFFFF) of the crypto objects and domain parameters.
inline constexpr Message kMsgCurveNotFound{kNoCode, "Can't find appropriate curve."};
inline constexpr Message kMsgFieldMissing{kNoCode, Cp1251<"Помилка доступу до поля \"%s\" - поле відсутнє">};

}  // namespace tavrpki
