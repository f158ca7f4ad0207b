/* The engine's C interface: the only public header of the Corvid library.
 *
 * Every text is a NUL-terminated byte string: paths and addresses in the system's narrow code page
 * (the locale's code set on POSIX), font names as the bytes the document holds. No export returns
 * a value or reports an error; callers judge the outcome by what they find in their buffers,
 * folders and installed fonts afterwards. The engine allocates nothing that the caller frees. */
#ifndef CORVID_CORVID_H
#define CORVID_CORVID_H

#if defined(_WIN32)
#define CORVID_API __declspec(dllexport)
#define CORVID_CALL __cdecl
#else
#define CORVID_API __attribute__((visibility("default")))
#define CORVID_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Writes the font names that the document at `documentPath` uses and this computer lacks into
 * `nameBuffer`: each name followed by one comma, in ascending order of unsigned bytes, then a NUL.
 * On entry `*bufferLength` is the buffer's capacity; on return it is the number of bytes of names
 * and commas written (the NUL not counted). Names are written while the name, its comma and the
 * NUL still fit; the first that does not fit ends the list. Nothing missing (or nothing readable)
 * gives 0 and leaves the buffer untouched. A null buffer, a null length or a capacity below 1
 * makes the call return at once with no effect. Safe to call from several threads at once. */
CORVID_API void CORVID_CALL GetLackFontNames(const char* documentPath, char* nameBuffer,
                                             int* bufferLength);

#ifdef __cplusplus
}
#endif

#endif /* CORVID_CORVID_H */
