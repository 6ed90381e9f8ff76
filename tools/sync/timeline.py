"""The demo's timeline as the build writes it (timeline.json, by make-timeline from
src/runtime/timeline.h): the module's grid, what each order shows and the content files' names.

The build folder is the one given, else $NERETHVAL_BUILD, else build/ beside tools/.
"""
import json
import os


def load(build=None):
    build = build or os.environ.get("NERETHVAL_BUILD") or os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "build")
    path = os.path.join(build, "timeline.json")
    try:
        with open(path) as file:
            return json.load(file)
    except OSError as error:
        raise SystemExit(f"no timeline at {path} ({error.strerror}): build the tree, or set NERETHVAL_BUILD") from None


def scene_orders(timeline):
    """Scene number -> the orders it plays, in order, for scenes 01 to 11."""
    orders = {}
    for order, shown in enumerate(timeline["orders"]):
        if shown.startswith("scene "):
            orders.setdefault(int(shown[6:]), []).append(order)
    return orders
