#!/usr/bin/env python3
"""Writes the customer look-up tests' database: a SQLite file with a Customers table of
N customers (numbers in the forms an office types them) and a few with awkward ones.
Usage: customers_db.py OUT.db N"""
import os
import sqlite3
import sys


def customer(i):
    """The i-th customer, as the tests expect it back."""
    if i % 2 == 0:
        phone = "139%08d" % i
    else:
        phone = "0571%08d" % (80000000 + i)
    return (phone, "客户%d" % i, "杭州市西湖区文三路%d号" % i, "桶装水 %d 桶" % (i % 5 + 1))


def main():
    out, count = sys.argv[1], int(sys.argv[2])
    tmp = out + ".tmp"
    if os.path.exists(tmp):
        os.remove(tmp)
    db = sqlite3.connect(tmp)
    db.execute("CREATE TABLE Customers (Phone TEXT PRIMARY KEY, name TEXT, address TEXT, note TEXT)")
    db.executemany("INSERT INTO Customers VALUES (?, ?, ?, ?)", (customer(i) for i in range(count)))
    db.executemany("INSERT INTO Customers VALUES (?, ?, ?, ?)", [
        ("12'3;4", "引号客户", "", "a number with a quote and a semicolon"),
        ("88881234", "本地客户", "本地", "kept without the area code"),
    ])
    db.commit()
    db.close()
    os.replace(tmp, out)
    print("customers db: %d rows in %s" % (count + 2, out))


if __name__ == "__main__":
    main()
