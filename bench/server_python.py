"""The site server seen from Python's http.client on one keep-alive connection:
a state read and a poll-and-claim, medians in microseconds.

Usage: server_python.py http://127.0.0.1:PORT
"""

import http.client
import json
import socket
import statistics
import sys
import time
import urllib.parse

ROUNDS = 3000


def median_us(conn, method, path, body=None):
    data = None if body is None else json.dumps(body).encode()
    times = []
    for n in range(ROUNDS + ROUNDS // 10):
        start = time.perf_counter()
        conn.request(method, path, body=data, headers={"Content-Type": "application/json"})
        response = conn.getresponse()
        json.loads(response.read())
        if response.status != 200:
            raise SystemExit("%s %s: %d" % (method, path, response.status))
        if n >= ROUNDS // 10:
            times.append((time.perf_counter() - start) * 1e6)
    return statistics.median(times)


def main():
    url = urllib.parse.urlsplit(sys.argv[1])
    conn = http.client.HTTPConnection(url.hostname, url.port)
    conn.connect()
    conn.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    conn.request("POST", "/sites", body=b'{"clock": "virtual", "ticks": "manual"}')
    site = "/sites/%d" % json.loads(conn.getresponse().read())["id"]
    conn.request("POST", site + "/methods/Terminal_Opened", body=b'{"args": [1, 2, 3]}')
    conn.getresponse().read()
    read = median_us(conn, "GET", site + "/pumps/4")
    claim = median_us(conn, "POST", site + "/batch", [
        {"method": "POST", "path": "methods/Poll_Fuel_Itemization"},
        {"method": "POST", "path": "methods/Fuel_Itemization_Complete", "body": {"args": [True, 0]}}])
    print("python http.client state read (pumps/4)  median %6.1f us" % read)
    print("python http.client poll-and-claim batch  median %6.1f us" % claim)


main()
