#!/usr/bin/python3
"""An SMTP sink that answers every command in a TCP write of its own, Nagle left on, as some
servers do with a pipelined group: a client that delays its acknowledgements waits for each
reply after the first. Offers PIPELINING; takes any mail; no authentication.
Usage: replies_apart_server.py PORT_FILE SECONDS   (writes the port it listens on to PORT_FILE)"""
import socket
import sys
import threading
import time


def serve(connection):
    with connection:
        reader = connection.makefile('rb')
        say = lambda text: connection.sendall(text.encode('ascii'))
        say('220 apart.example ESMTP\r\n')
        for line in reader:
            command = line[:4].upper()
            if command == b'EHLO':
                say('250-apart.example\r\n250 PIPELINING\r\n')
            elif command == b'DATA':
                say('354 go ahead\r\n')
                for data in reader:
                    if data == b'.\r\n':
                        break
                say('250 2.0.0 queued\r\n')
            elif command == b'QUIT':
                say('221 bye\r\n')
                return
            else:
                say('250 ok\r\n')


def main():
    listener = socket.socket()
    listener.bind(('127.0.0.1', 0))
    listener.listen(16)
    listener.settimeout(1.0)
    with open(sys.argv[1], 'w') as port_file:
        port_file.write(str(listener.getsockname()[1]))
    end = time.monotonic() + float(sys.argv[2])
    while time.monotonic() < end:
        try:
            connection, _ = listener.accept()
        except socket.timeout:
            continue
        threading.Thread(target=serve, args=(connection,), daemon=True).start()


if __name__ == '__main__':
    main()
