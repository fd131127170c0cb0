#pragma once
// The network transport library: the message layer under the game server
// connection.
//
//   byte_buffer.h        CByteBuffer, the growable buffer of packets and messages
//   util.h               integer, string, path and file helpers, random ids,
//                        the OS version bit set, connection serials and keys
//   log.h                LogOpen / LogPrintf: the daily log file
//   crc32.h              CCrc32, the packet checksum
//   rijndael.h           CRijndael (AES, ECB buffers) and CEncryptorBase
//   message_transform.h  CMessageTransform: compression and encryption envelopes
//   base64.h             CBase64Coder
//
// The socket side (address resolution and connection age in socket_util.h,
// packets and multi-part messages, the transport socket with its worker
// thread, requests and replies, the proxy socket) sits beside these.

#include "transport/base64.h"
#include "transport/byte_buffer.h"
#include "transport/crc32.h"
#include "transport/log.h"
#include "transport/message_transform.h"
#include "transport/rijndael.h"
#include "transport/util.h"
