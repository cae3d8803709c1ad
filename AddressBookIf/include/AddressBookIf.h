/*
 * AddressBookIf: the address-book framework of the DirectFax fax printers.
 *
 * It keeps the computer's address-book files and reads the address book of a device.
 * Records are fixed-size little-endian byte blocks; a text field holds UTF-16LE code units
 * ended by a zero unit inside the field. Unlisted bytes are zero when written and never read.
 *
 *   MyFax (computer entry, 960 bytes)    0: u16 Id   2: name[66]   68: fax number[102]
 *                                        170: company[130]   300: note[510]   816: i64 time added
 *   MyFaxGroup (computer group, 152)     2: name[66]   80: u16 member count   82: u16 Ids[35]
 *   Fax (device entry, 184)              0: u16 Id   2: name[66]   68: fax number[102]
 *   FaxGroup (device group, 480)         2: name[66]   68: u16 member count   70: u16 Ids[205]
 *
 * Every call answers 0 on success or one of the result codes below. Text arguments and
 * results are UTF-8. Strings returned by the library belong to it and stay valid until the
 * same call is made again on the same thread.
 */
#ifndef ADDRESSBOOKIF_H
#define ADDRESSBOOKIF_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ABIF_API __attribute__((visibility("default")))

/* Result codes. */
enum {
    kAbifSuccess = 0,
    kAbifErrInvalidArgument = 0x20000001,   /* a null pointer, a bad count or index */
    kAbifErrFile = 0x20000002,              /* the file cannot be opened, read or written */
    kAbifErrWrongPassword = 0x20000003,     /* the device refused the password */
    kAbifErrNotAddressBook = 0x20000004,    /* the file is not an address book, or is damaged */
    kAbifErrDeviceUnreachable = 0x20000005, /* no connection, or the device stayed silent */
    kAbifErrProtocol = 0x20000006,          /* the device's reply is malformed or too large */
    kAbifErrNoMemory = 0x20000007,
    kAbifErrNoName = 0x20000008,            /* an entry without a name */
    kAbifErrTooManyMembers = 0x20000009,    /* a group with more members than its record holds */
    kAbifErrFull = 0x2000000A,              /* no free entry Id, or no room for a group, left in the file */
    kAbifErrNotInitialized = 0x2000000B,    /* no device selected */
    kAbifErrCancelled = 0x2000000C,         /* AbifDevice_Cancel ended or refused the exchange */
    kAbifErrDeviceBookChanged = 0x2000000D, /* the device's book changed since it was read */
    kAbifErrAlreadyInFile = 0x20000010,     /* an entry with this name and fax number exists */
    kAbifDeviceReachable = 0x21000001,      /* AbifDevice_GetStatus: the device is ready */
    kAbifDeviceNotReady = 0x21000002        /* AbifDevice_GetStatus: it answers but is not ready */
};

/* Device kinds of AbifDevice_SetDestinationDevice. */
enum { kAbifDeviceUSB = 0, kAbifDeviceNetwork = 1 };

/* Record sizes and field offsets (bytes). */
enum {
    ABIF_MYFAX_SIZE = 960,
    ABIF_MYFAX_ID = 0,
    ABIF_MYFAX_NAME = 2,
    ABIF_MYFAX_NAME_SIZE = 66,
    ABIF_MYFAX_PHONE = 68,
    ABIF_MYFAX_PHONE_SIZE = 102,
    ABIF_MYFAX_COMPANY = 170,
    ABIF_MYFAX_COMPANY_SIZE = 130,
    ABIF_MYFAX_NOTE = 300,
    ABIF_MYFAX_NOTE_SIZE = 510,
    ABIF_MYFAX_TIME = 816,

    ABIF_MYFAXGROUP_SIZE = 152,
    ABIF_MYFAXGROUP_NAME = 2,
    ABIF_MYFAXGROUP_NAME_SIZE = 66,
    ABIF_MYFAXGROUP_COUNT = 80,
    ABIF_MYFAXGROUP_MEMBERS = 82,
    ABIF_MYFAXGROUP_MAX_MEMBERS = 35,

    ABIF_FAX_SIZE = 184,
    ABIF_FAX_ID = 0,
    ABIF_FAX_NAME = 2,
    ABIF_FAX_NAME_SIZE = 66,
    ABIF_FAX_PHONE = 68,
    ABIF_FAX_PHONE_SIZE = 102,

    ABIF_FAXGROUP_SIZE = 480,
    ABIF_FAXGROUP_NAME = 2,
    ABIF_FAXGROUP_NAME_SIZE = 66,
    ABIF_FAXGROUP_COUNT = 68,
    ABIF_FAXGROUP_MEMBERS = 70,
    ABIF_FAXGROUP_MAX_MEMBERS = 205
};

typedef struct {
    uint8_t bytes[ABIF_MYFAX_SIZE];
} ABIF_MyFax;
typedef struct {
    uint8_t bytes[ABIF_MYFAXGROUP_SIZE];
} ABIF_MyFaxGroup;
typedef struct {
    uint8_t bytes[ABIF_FAX_SIZE];
} ABIF_Fax;
typedef struct {
    uint8_t bytes[ABIF_FAXGROUP_SIZE];
} ABIF_FaxGroup;

/* A data handle: records of the four kinds, in the order they were taken in. */
typedef struct ABIFData ABIFData;

/* Address-book files.
 *
 * An address-book file is an SQLite database marked with application_id 0x44464142 ("DFAB")
 * and user_version 1 or 2 (the format; 2 adds UIDs); other SQLite files, and files whose schema
 * holds anything but the tables and indexes of their format (a view, a trigger, another table or
 * index, a table defined otherwise), are refused with kAbifErrNotAddressBook before anything of
 * them is read or written. The folder is $XDG_DATA_HOME/velmora/directfax/addressbooks
 * (~/.local/share/... without XDG_DATA_HOME); it is created, mode 0700, on first use. Its files
 * are its regular files whose names do not start with "." and are not SQLite side files
 * (-journal, -wal, -shm), in byte order of their names.
 *
 * A file holds entries (Id 1 to 65535, unique in the file; name and fax number required; the
 * pair name and fax number unique in the file) and at most 65535 groups (name, ordered member
 * Ids, each naming an entry of the file once). A file of kind kAbifFileComputer holds groups of at most
 * ABIF_MYFAXGROUP_MAX_MEMBERS members; one of kind kAbifFileDevice, the input of the device
 * emulator, groups of at most ABIF_FAXGROUP_MAX_MEMBERS. */
enum { kAbifFileComputer = 0, kAbifFileDevice = 1 };

/* Flags of AbifGADFile_Read: 0 reads MyFax then MyFaxGroup records; kAbifReadDeviceRecords reads
 * Fax then FaxGroup records instead. Without it, a group with more members than MyFaxGroup holds
 * makes the read fail with kAbifErrTooManyMembers. */
enum { kAbifReadDeviceRecords = 0x1 };

ABIF_API const char* AbifGADFile_GetFileDirectory(void);
/* The file names of the folder, each ended by U+0000, the list ended by an empty name. */
ABIF_API const char* AbifGADFile_GetFileList(void);
/* Appends the file's records to the handle; on failure the handle is left as it was. */
ABIF_API int32_t AbifGADFile_Read(const char* path, ABIFData* data, int32_t flags);
/* Adds the handle's MyFax records, then its MyFaxGroup and FaxGroup records, in one transaction:
 * all or nothing. The file gives each new entry its Id. A nonzero Id in a MyFax record of the
 * handle names that entry for the groups of the same call; a member Id that no record of the
 * call names is the Id of an entry already in the file. flags must be 0. */
ABIF_API int32_t AbifGADFile_Add(const char* path, ABIFData* data, int32_t flags);
/* Creates an empty address-book file of the given kind; fails when the path exists. */
ABIF_API int32_t AbifGADFile_Create(const char* path, int32_t kind);
/* The kind of an address-book file. */
ABIF_API int32_t AbifGADFile_GetKind(const char* path, int32_t* kind);

/* Data handles. */
ABIF_API ABIFData* ABIFData_Create(void);
ABIF_API void ABIFData_Delete(ABIFData* data);
ABIF_API int32_t ABIFData_Add_MyFax(ABIFData* data, int32_t count, const ABIF_MyFax* records);
ABIF_API int32_t ABIFData_Add_MyFaxGroup(ABIFData* data, int32_t count, const ABIF_MyFaxGroup* records);
ABIF_API int32_t ABIFData_Add_Fax(ABIFData* data, int32_t count, const ABIF_Fax* records);
ABIF_API int32_t ABIFData_Add_FaxGroup(ABIFData* data, int32_t count, const ABIF_FaxGroup* records);
ABIF_API int32_t ABIFData_GetCount_MyFax(const ABIFData* data);
ABIF_API int32_t ABIFData_GetCount_MyFaxGroup(const ABIFData* data);
ABIF_API int32_t ABIFData_GetCount_Fax(const ABIFData* data);
ABIF_API int32_t ABIFData_GetCount_FaxGroup(const ABIFData* data);
/* Copy record `index` into `buffer`, which holds at least the record's size. */
ABIF_API int32_t ABIFData_GetAt_MyFax(const ABIFData* data, int32_t index, void* buffer);
ABIF_API int32_t ABIFData_GetAt_MyFaxGroup(const ABIFData* data, int32_t index, void* buffer);
ABIF_API int32_t ABIFData_GetAt_Fax(const ABIFData* data, int32_t index, void* buffer);
ABIF_API int32_t ABIFData_GetAt_FaxGroup(const ABIFData* data, int32_t index, void* buffer);

/* The device. Its protocol, ports and limits: docs/device-protocol.md. No call holds its
 * caller longer than 5 s. */

/* The most a device's address book holds. A name holds at most ABIF_DEVICE_MAX_NAME_UNITS UTF-16
 * units, a fax number ABIF_DEVICE_MAX_NUMBER_UNITS (what the Fax record's fields hold), a group
 * ABIF_FAXGROUP_MAX_MEMBERS members. */
enum {
    ABIF_DEVICE_MAX_ENTRIES = 10000,
    ABIF_DEVICE_MAX_GROUPS = 1000,
    ABIF_DEVICE_MAX_NAME_UNITS = ABIF_FAX_NAME_SIZE / 2 - 1,
    ABIF_DEVICE_MAX_NUMBER_UNITS = ABIF_FAX_PHONE_SIZE / 2 - 1
};

/* AbifDevice_ReadData's `what`: the records to read; other bits are reserved. */
enum { kAbifReadFax = 0x1, kAbifReadFaxGroup = 0x2 };

/* Prepares the device calls, forgets the selected device and ends a cancellation. */
ABIF_API int32_t Abif_Initialize(int32_t flags);
/* Selects the device: kind kAbifDeviceNetwork with a numeric IPv4 or IPv6 address (a link-local
 * one followed by "%" and the interface), or kAbifDeviceUSB (address not used). */
ABIF_API int32_t AbifDevice_SetDestinationDevice(int32_t reserved, int32_t kind, const char* address);
/* kAbifDeviceReachable, kAbifDeviceNotReady or a failure; waits at most timeoutMs (at most 4 s). */
ABIF_API int32_t AbifDevice_GetStatus(int32_t reserved, int32_t timeoutMs);
/* Replaces the handle's Fax and/or FaxGroup records by the device's; on failure the handle is
 * unchanged. kAbifErrWrongPassword when the device refuses `password`. */
ABIF_API int32_t AbifDevice_ReadData(int32_t reserved, ABIFData* data, int32_t what, const char* password);
/* Replaces the device's whole address book by the handle's Fax and FaxGroup records (the entry
 * Ids kept, group members naming them), provided the device's book is still the one the handle
 * was read from: its revision, which AbifDevice_ReadData stores in the handle. The device takes
 * the whole book or nothing. On success the handle holds the book's new revision, so that the
 * next write follows this one. Before anything is sent the records are checked against what the
 * device holds: kAbifErrFull (more than ABIF_DEVICE_MAX_ENTRIES entries or ABIF_DEVICE_MAX_GROUPS
 * groups), kAbifErrNoName (an entry or group without a name), kAbifErrTooManyMembers,
 * kAbifErrInvalidArgument (no revision in the handle, an entry Id 0 or given twice, an entry
 * without a fax number, a member naming no entry of the handle or named twice). The device
 * answers kAbifErrDeviceBookChanged when its book changed since the handle's revision (nothing
 * is written; read it again), kAbifErrWrongPassword as AbifDevice_ReadData does. Cancelled by
 * AbifDevice_Cancel and bounded in time like reading; a write cut off that way may or may not
 * have reached the device, whole. */
ABIF_API int32_t AbifDevice_WriteData(int32_t reserved, ABIFData* data, const char* password);
/* The revision of the device's book that the handle's device records were read from ("" when
 * none); valid until the handle is read into, written from, given a revision or deleted. */
ABIF_API const char* ABIFData_GetDeviceRevision(const ABIFData* data);
/* Gives the handle a revision, for a handle whose records were not read from the device (at most
 * 128 bytes). */
ABIF_API int32_t ABIFData_SetDeviceRevision(ABIFData* data, const char* revision);
/* Safe from any thread: ends at once the AbifDevice_GetStatus, AbifDevice_ReadData and
 * AbifDevice_WriteData calls in progress in the process, which answer kAbifErrCancelled, and makes later ones
 * answer the same without reaching the device, until the next Abif_Initialize. A caller that reads the device
 * on a thread of its own calls it when the user stops waiting, so the thread ends soon. */
ABIF_API int32_t AbifDevice_Cancel(int32_t reserved);

#ifdef __cplusplus
}
#endif

#endif /* ADDRESSBOOKIF_H */
