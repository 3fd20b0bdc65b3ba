/* The interface of an external extension module.
 *
 * When a certification request is turned into a certificate, the library can
 * hand the request's attributes to a module of the operator's choice instead of
 * its own extension handlers. The module is a shared library named by the
 * configuration value "ExtHandler" (the HKEY_LOCAL_MACHINE hive); when that value
 * is empty no module is used. The library loads it, looks up the one C export
 * "ConvertExt" declared below, and for each attribute calls it twice: first with
 * a null output buffer to learn the output length, then with a buffer of that
 * length.
 *
 * Input: the attribute's OID as NUL-terminated ASCII dotted text, and the
 * attribute's complete DER
 *   Attribute ::= SEQUENCE { type OBJECT IDENTIFIER, values SET OF ANY }
 * Output: one complete certificate extension DER
 *   Extension ::= SEQUENCE { extnID OBJECT IDENTIFIER,
 *                            critical BOOLEAN DEFAULT FALSE,
 *                            extnValue OCTET STRING }
 * which the library appends to the certificate as it stands.
 *
 * `*outLength` holds the capacity of `out` on entry (0 with a null `out`) and
 * must hold the length of the output on return. Return
 *   TAVRPKI_EXT_OK (0)           success;
 *   TAVRPKI_EXT_UNSUPPORTED (2)  the module does not handle this OID: the
 *                                conversion of the request fails (code 280000);
 *   anything else                an error of the module's own: the conversion
 *                                fails with code 280003 carrying this number.
 * The two calls for one attribute must agree on the length. The module must not
 * keep the pointers it is given. Calls come from the caller's thread, one at a
 * time per loaded module; the module is unloaded when the conversion ends.
 *
 * Writing a module (C or C++; this header includes nothing of the library):
 *   #include <tavrpki/ExtHandler.h>
 *   TAVRPKI_EXT_EXPORT int32_t TAVRPKI_EXT_CALL ConvertExt(const char* oid,
 *       const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t* outLength) { ... }
 * plugins/extexample/ in the library's sources is a complete one.
 */
#ifndef TAVRPKI_EXT_HANDLER_H
#define TAVRPKI_EXT_HANDLER_H

#include <stdint.h>

/* The export uses the stdcall convention where one exists (32-bit x86); x86-64
 * and others have a single calling convention. */
#if defined(_WIN32)
#define TAVRPKI_EXT_CALL __stdcall
#elif defined(__i386__)
#define TAVRPKI_EXT_CALL __attribute__((stdcall))
#else
#define TAVRPKI_EXT_CALL
#endif

#ifdef __cplusplus
#define TAVRPKI_EXT_EXTERN_C extern "C"
#else
#define TAVRPKI_EXT_EXTERN_C
#endif

#if defined(_WIN32)
#define TAVRPKI_EXT_EXPORT TAVRPKI_EXT_EXTERN_C __declspec(dllexport)
#else
#define TAVRPKI_EXT_EXPORT TAVRPKI_EXT_EXTERN_C __attribute__((visibility("default")))
#endif

/* The name the library looks the export up by. */
#define TAVRPKI_EXT_EXPORT_NAME "ConvertExt"

#define TAVRPKI_EXT_OK 0
#define TAVRPKI_EXT_UNSUPPORTED 2

typedef int32_t(TAVRPKI_EXT_CALL* TavrpkiConvertExtFunction)(const char* oid, const uint8_t* in,
                                                              uint32_t inLength, uint8_t* out,
                                                              uint32_t* outLength);

#endif /* TAVRPKI_EXT_HANDLER_H */
