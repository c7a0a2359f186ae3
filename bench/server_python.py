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


def median_us(conn, method, path, body=None, before=lambda n: None):
    data = None if body is None else json.dumps(body).encode()
    times = []
    for n in range(ROUNDS + ROUNDS // 10):
        before(n)
        start = time.perf_counter()
        conn.request(method, path, body=data, headers={"Content-Type": "application/json"})
        response = conn.getresponse()
        answer = json.loads(response.read())
        elapsed = time.perf_counter() - start
        if response.status != 200 or "fault" in json.dumps(answer):
            raise SystemExit("%s %s: %d %s" % (method, path, response.status, answer))
        if n >= ROUNDS // 10:
            times.append(elapsed * 1e6)
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

    def post(path, body):
        conn.request("POST", site + path, body=json.dumps(body).encode())
        conn.getresponse().read()

    def make_item_wait(n):
        # Untimed: the tester makes a prepay of 20.00 wait on pump 1, or,
        # once it is rung up, its void.
        if n % 2 == 0:
            post("/click", {"widget": "Value", "index": 2})
        post("/click", {"widget": "Pump", "index": 0})

    post("/click", {"widget": "Pump", "index": 0})  # opens the pump
    claim = median_us(conn, "POST", site + "/batch", [
        {"method": "POST", "path": "methods/Poll_Fuel_Itemization"},
        {"method": "POST", "path": "methods/Fuel_Itemization_Complete", "body": {"args": [-1, 0]}}],
        make_item_wait)
    print("python http.client state read (pumps/4)  median %6.1f us" % read)
    print("python http.client poll-and-claim batch  median %6.1f us" % claim)


main()
