CREATE TABLE "SCOTT"."Mixed$Case"
(
    "ID" NUMBER ,
    "lower name" VARCHAR2(10) 
);
