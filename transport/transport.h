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
//   socket_util.h        ResolveAddress, GetConnectTime, IsSocketConnected
//   packet.h             PacketHeader, SplitChunks / ReadChunks: the wire packets
//   notice.h             TransportInfo, TransportNotice: what reaches the application
//   transport_socket.h   CTransportSocket: connect and greeting, worker thread,
//                        reassembly, requests with replies and time-outs
//   proxy_protocol.h     the bytes of SOCKS4/4A/5 and HTTP CONNECT negotiations
//   proxy_socket.h       CProxySocket: an asynchronous socket that negotiates a
//                        tunnel through a proxy in its event handlers
//   comm_socket.h        CCommSocket: ConnectVia, the blocking tunnel set-up the
//                        session hands to CTransportSocket::Attach

#include "transport/base64.h"
#include "transport/byte_buffer.h"
#include "transport/comm_socket.h"
#include "transport/crc32.h"
#include "transport/log.h"
#include "transport/message_transform.h"
#include "transport/notice.h"
#include "transport/packet.h"
#include "transport/proxy_protocol.h"
#include "transport/proxy_socket.h"
#include "transport/rijndael.h"
#include "transport/socket_util.h"
#include "transport/transport_socket.h"
#include "transport/util.h"
