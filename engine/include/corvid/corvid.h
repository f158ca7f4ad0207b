/* The engine's C interface: the only public header of the Corvid library.
 *
 * Every text is a NUL-terminated byte string: paths and addresses in the system's narrow code page
 * (the locale's code set on POSIX), font names as the bytes the document holds. No export returns
 * a value or reports an error; callers judge the outcome by what they find in their buffers,
 * folders and installed fonts afterwards. The engine allocates nothing that the caller frees. */
#ifndef CORVID_CORVID_H
#define CORVID_CORVID_H

#if defined(_WIN32)
#if defined(CORVID_BUILD)
#define CORVID_API __declspec(dllexport)
#else
#define CORVID_API __declspec(dllimport)
#endif
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

/* Unpacks the archive at `archivePath` (RAR 4 and 5, ZIP, 7z, tar and other common formats) into
 * the existing folder `destFolder` (no trailing separator): every member with its inner folders,
 * replacing files of the same name, without asking anything. Members that would land outside
 * `destFolder` (absolute paths, "..", links pointing out), encrypted members and damaged members
 * are left out. A plain font file is copied into `destFolder` under its own name. A file that is
 * neither, or a missing one, unpacks nothing. Null arguments make the call return at once. Safe
 * to call from several threads at once on different folders. */
CORVID_API void CORVID_CALL DecodeFiles(const char* archivePath, const char* destFolder);

/* Downloads `url` (http or https; redirections followed, proxies taken from the environment) into
 * the existing folder `destFolder` (no trailing separator). The file is named after the text
 * following the address's last "/", query and fragment cut off; an address without such a name
 * gives "_unknow_font_N.rar", N counting such names from 0 in this process. The file appears only
 * when a successful answer (HTTP 2xx) arrived whole and then replaces one of the same name; an
 * error answer or a broken transfer leaves no file. Null arguments make the call return at
 * once. Safe to call from several threads at once. */
CORVID_API void CORVID_CALL DownloadFile(const char* url, const char* destFolder);

/* Installs the fonts of the folder `fontFolder` (no trailing separator) for the current user:
 * deletes the web pages (*.htm, *.html) directly in it, then copies every font file under it,
 * subfolders included, into the font folder (on POSIX $XDG_DATA_HOME/fonts or
 * ~/.local/share/fonts; on Windows the system's Fonts folder when the process runs elevated, else
 * the user's own), registers it, makes it usable by this process and tells the rest of the system.
 * Files that are no fonts are not copied. A font folder file is never overwritten: the same bytes
 * count as installed, other bytes under the same name go in as "name-1.ttf" and so on. A missing
 * folder installs nothing; a failure with one file does not stop the others. A null argument
 * makes the call return at once. Safe to call from several threads at once on different
 * folders. */
CORVID_API void CORVID_CALL InstallFonts(const char* fontFolder);

#ifdef __cplusplus
}
#endif

#endif /* CORVID_CORVID_H */
