select a from t where @@w%0=1@ and b = :b and c = :"C d"
====
x = :p and y = ?q
5
